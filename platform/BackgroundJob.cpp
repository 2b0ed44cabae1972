#include "BackgroundJob.h"

#include <utility>

#include "ThreadWakeups.h"

CBackgroundJob::~CBackgroundJob()
{
    {
        std::lock_guard<plat::CLock> lock(m_mutex);
        m_bStop = true;
    }
    m_jobArrived.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CBackgroundJob::Start(Job job)
{
    bool bFirst = false;
    {
        std::lock_guard<plat::CLock> lock(m_mutex);
        bFirst = m_jobs.empty();
        m_jobs.push_back(std::move(job));
    }
    if (!m_thread.joinable())
        m_thread = std::thread(&CBackgroundJob::Run, this);
    // Behind other jobs the thread needs no wake: it is running them, or was woken for
    // the first, or sleeps while a waiter runs one and is woken when that one ends.
    if (bFirst)
        m_jobArrived.notify_all();
}

bool CBackgroundJob::WaitUntilQueued(size_t nQueued, long& lOsError)
{
    std::unique_lock<plat::CLock> lock(m_mutex);
    while (m_jobs.size() > nQueued)
    {
        if (m_wakeup == CJobWakeup::deferred && !m_bFirstRunning)
            RunFirst(lock);
        else
            m_jobDone.wait(lock);
    }
    if (m_lError == 0)
        return true;
    lOsError = m_lError;
    m_lError = 0; // reported once
    return false;
}

bool CBackgroundJob::RunWaitingJob()
{
    std::unique_lock<plat::CLock> lock(m_mutex);
    if (m_wakeup != CJobWakeup::deferred || m_jobs.empty() || m_bFirstRunning)
        return false;
    RunFirst(lock);
    return true;
}

void CBackgroundJob::Run()
{
    if (m_wakeup == CJobWakeup::deferred)
        plat::DeferThreadWakeups();
    std::unique_lock<plat::CLock> lock(m_mutex);
    for (;;)
    {
        m_jobArrived.wait(lock, [this] {
            return (!m_jobs.empty() && !m_bFirstRunning) || (m_jobs.empty() && m_bStop);
        });
        if (m_jobs.empty())
            return; // stopped, with nothing left to do
        RunFirst(lock);
    }
}

void CBackgroundJob::RunFirst(std::unique_lock<plat::CLock>& lock)
{
    m_bFirstRunning = true;
    // A job behind a failed one is dropped: its error is still to be reported.
    const bool bDrop = m_lError != 0;
    const Job job = std::move(m_jobs.front());
    lock.unlock();
    const long lError = bDrop ? 0 : job();
    lock.lock();
    if (lError)
        m_lError = lError;
    m_jobs.pop_front();
    m_bFirstRunning = false;
    const bool bMore = !m_jobs.empty();
    // Woken after the unlock, a waiter finds the mutex free rather than sleeping on it.
    // The thread is woken only for a job: a waiter that ran the last one would otherwise
    // wake it for nothing, a wake and a sleep for every write the lanes make themselves.
    lock.unlock();
    m_jobDone.notify_all();
    if (bMore)
        m_jobArrived.notify_all();
    lock.lock();
}
