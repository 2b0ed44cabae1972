// Storage for the large buffers of a run: the files' buffers, the batches' lines and what
// converting them gives. A fresh page costs a fault when first written, so a freed buffer
// is kept for the next one it fits, and the sizes of a run, which come back batch after
// batch, stop taking fresh pages after the first few. The buffers come from one stretch of
// address space that goes back to the system when the process ends. Small sizes, and
// every size once the stretch is used up or where the system gives none, come from new[].
// The stretch has small pages: huge ones saved a few faults, but on a virtual machine that
// gives free memory back to its host a fresh huge page was now and then cleared against
// the host's faults, several milliseconds each.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "Tuning.h"

namespace plat
{
/// As new char[nBytes].
char* NewStorage(size_t nBytes);
/// As delete[] for what NewStorage gave.
void DeleteStorage(char* p) noexcept;

struct CStorageDeleter
{
    void operator()(char* p) const noexcept { DeleteStorage(p); }
};
using StoragePtr = std::unique_ptr<char[], CStorageDeleter>;

/// Where the system reserves a stretch for the pool, nBytes long and page-aligned;
/// nullptr where it has none to give, or where a checker must see every buffer.
char* OsReserveStorageStretch(size_t nBytes);

/// The pool behind NewStorage, over a stretch it is given.
class CStoragePool
{
public:
    static constexpr size_t kMinBytes = tuning::kPooledMinBytes;
    static constexpr size_t kMaxBytes = tuning::kPooledMaxBytes;

    /// pStretch may be nullptr: the pool then gives nothing.
    CStoragePool(char* pStretch, size_t nStretch);

    /// nBytes of storage aligned to 64 bytes, or nullptr when nBytes is outside
    /// [kMinBytes, kMaxBytes] or no freed block and no room left will take it.
    char* Take(size_t nBytes);
    /// Takes back what Take gave; false, doing nothing, for storage it did not give.
    bool Give(char* p) noexcept;

private:
    struct CBlock
    {
        char* pStart;
        size_t nBytes;
    };
    char* const m_pBegin;
    char* const m_pEnd;
    std::mutex m_mutex; // the rest
    char* m_pNext; // the stretch from here on was never given
    std::vector<CBlock> m_free;
};
} // namespace plat
