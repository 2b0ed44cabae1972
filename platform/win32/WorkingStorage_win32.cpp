#include "WorkingStorage.h"

char* plat::OsReserveStorageStretch(size_t)
{
    // Large pages on Windows need a privilege that a user's program does not hold.
    return nullptr;
}
