// Jobs run one after another on a thread of its own: buffers are written out, or the next
// one read in, while the caller works on another; or a batch of entries is converted
// while the caller converts the next. A deferred thread's waiter runs the jobs itself
// rather than sleep until the thread gets a core.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "ThreadLock.h"

/// How the job's thread takes a core when a job arrives.
enum class CJobWakeup
{
    immediate, ///< at once, as any thread
    deferred   ///< once a core is free or the running thread's time slice ends: for reads
               ///< and writes that fill the time the threads they serve spend waiting,
               ///< rather than cutting into their work (plat::DeferThreadWakeups). A wait
               ///< runs the jobs the thread has not started itself: the thread may still
               ///< be waiting for a core, and the waiter would only sleep.
};

class CBackgroundJob
{
public:
    /// One read, write or conversion: returns 0 when it succeeded, else the system's error.
    using Job = std::function<long()>;

    explicit CBackgroundJob(CJobWakeup wakeup = CJobWakeup::immediate) : m_wakeup(wakeup) {}
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;
    /// Finishes the jobs queued, then ends the thread.
    ~CBackgroundJob();

    /// Queues the job behind those queued before it; whatever it reads must stay untouched
    /// until a wait sees it done. Once a job has failed, the ones behind it are dropped
    /// unrun: nothing is written after a failed write.
    void Start(Job job);
    /// Waits until every job is done; false, with the system's error, when one failed.
    /// Jobs run one at a time, in order, on the thread or (deferred) on a waiter.
    bool Wait(long& lOsError) { return WaitUntilQueued(0, lOsError); }
    /// Waits until at most nQueued jobs are queued or running; false, with the system's
    /// error, when one failed. The error is reported once.
    bool WaitUntilQueued(size_t nQueued, long& lOsError);
    /// For a caller with time on its hands: runs the first job here when a deferred thread
    /// has not started it yet; false when there was none to run.
    bool RunWaitingJob();

private:
    void Run();
    /// Runs the first job, which nobody has started yet: with the lock held on entry and
    /// on return, not while the job runs.
    void RunFirst(std::unique_lock<plat::CLock>& lock);

    const CJobWakeup m_wakeup;
    plat::CLock m_mutex;
    plat::CLockCondition m_jobArrived; // the thread waits for a job to run, or the stop
    plat::CLockCondition m_jobDone;    // waiters wait for jobs to end
    std::deque<Job> m_jobs; // the first is the one running, if any is
    bool m_bFirstRunning = false;
    bool m_bStop = false;
    long m_lError = 0; // of the job that failed; 0 when none did
    std::thread m_thread; // last: started once the state above exists
};
