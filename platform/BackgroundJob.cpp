#include "BackgroundJob.h"

#include <utility>

#include "ThreadWakeups.h"

CBackgroundJob::~CBackgroundJob()
{
    {
        std::lock_guard<plat::CLock> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CBackgroundJob::Start(Job job)
{
    {
        std::lock_guard<plat::CLock> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    if (!m_thread.joinable())
        m_thread = std::thread(&CBackgroundJob::Run, this);
    m_changed.notify_all();
}

bool CBackgroundJob::WaitUntilQueued(size_t nQueued, long& lOsError)
{
    std::unique_lock<plat::CLock> lock(m_mutex);
    while (m_jobs.size() > nQueued)
    {
        if (m_wakeup == CJobWakeup::deferred && !m_bFirstRunning)
            RunFirst(lock);
        else
            m_changed.wait(lock);
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
        m_changed.wait(lock, [this] {
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
    // Woken after the unlock, a waiter finds the mutex free rather than sleeping on it.
    lock.unlock();
    m_changed.notify_all();
    lock.lock();
}
