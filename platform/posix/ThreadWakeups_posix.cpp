#include "ThreadWakeups.h"

#include <pthread.h>
#include <sched.h>

void plat::DeferThreadWakeups()
{
#ifdef SCHED_BATCH
    // Linux's batch policy: the same share of the cores, without the preemption on waking.
    // It needs no privilege; were it refused, the thread would just keep its policy.
    const sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
#endif
}
