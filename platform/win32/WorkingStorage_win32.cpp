#include "WorkingStorage.h"

char* plat::OsReserveStorageStretch(size_t)
{
    // A pool committed with VirtualAlloc measured no quicker than new[] here: the same
    // faults, the same time.
    return nullptr;
}
