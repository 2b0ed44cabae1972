// Storage for the large buffers of a run: the files' buffers, the batches' lines and what
// converting them gives. A run takes a few MiB of them fresh, and a fresh page costs a
// fault when first written, a cost worth cutting on a short run. So large buffers come
// from one stretch of address space that the system may back with huge pages, a fault
// for 2 MiB; the price is that a huge page, once written, is resident whole. A freed
// buffer is kept for the next one it fits; the stretch goes back to the system when the
// process ends. Small sizes, and every size once the stretch is used up or where the
// system gives none, come from new[].
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

/// Where the system reserves a stretch for the pool, nBytes long and aligned to its huge
/// page; nullptr where it has none to give, or where a checker must see every buffer.
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
