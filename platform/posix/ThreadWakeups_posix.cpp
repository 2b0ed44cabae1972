#include "ThreadWakeups.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "Tuning.h"

void plat::DeferThreadWakeups()
{
#ifdef SCHED_BATCH
    // Linux's batch policy: the same share of the cores, without the preemption on waking.
    // It needs no privilege; were it refused, the thread would just keep its policy.
    const sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
#endif
#ifdef __linux__
    // A smaller share as well: a converting thread that holds the next turn or the
    // playlist then keeps its core, rather than lose a time slice to a file's thread while
    // the other converting thread waits on it. A share, not a rank: the thread still runs
    // while the machine is busy. Linux keeps a nice value per thread.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), tuning::kDeferredThreadNice);
#endif
}
