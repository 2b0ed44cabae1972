#include "WorkingStorage.h"

#include <sys/mman.h>

char* plat::OsReserveStorageStretch(size_t nBytes)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer checks the bounds of what new[] gives, not of a pool's blocks.
    (void)nBytes;
    return nullptr;
#else
    // Small pages, not huge ones: see WorkingStorage.h.
    void* pStretch = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return pStretch == MAP_FAILED ? nullptr : static_cast<char*>(pStretch);
#endif
}
