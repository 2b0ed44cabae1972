#include "ThreadWakeups.h"

void plat::DeferThreadWakeups()
{
    // Windows has no policy that only gives up the preemption on waking: a lower priority
    // would let the other threads of the machine hold the thread off indefinitely.
}
