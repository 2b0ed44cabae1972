#include "WorkingStorage.h"

#include <sys/mman.h>

#include <cstdint>

char* plat::OsReserveStorageStretch(size_t nBytes)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer checks the bounds of what new[] gives, not of a pool's blocks.
    (void)nBytes;
    return nullptr;
#else
    constexpr size_t kHugePage = 2 * 1024 * 1024;
    void* pMapping = mmap(nullptr, nBytes + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (pMapping == MAP_FAILED)
        return nullptr;
    const uintptr_t aligned =
        (reinterpret_cast<uintptr_t>(pMapping) + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
    char* pStretch = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
    // Linux backs each aligned 2 MiB of the advised part with a huge page when it is first
    // written, if it has one free; else with small pages, as without the advice.
    constexpr size_t kSmallPaged = tuning::kSmallPagedBytes;
    static_assert(kSmallPaged % kHugePage == 0, "the advised part starts on a huge page");
    if (nBytes > kSmallPaged)
        madvise(pStretch + kSmallPaged, nBytes - kSmallPaged, MADV_HUGEPAGE);
#endif
    return pStretch;
#endif
}
