#include "BackgroundJob.h"

#include <utility>

CBackgroundJob::~CBackgroundJob()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CBackgroundJob::Start(Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = std::move(job);
        m_lError = 0;
        m_bBusy = true;
    }
    if (!m_thread.joinable())
        m_thread = std::thread(&CBackgroundJob::Run, this);
    m_changed.notify_all();
}

bool CBackgroundJob::Wait(long& lOsError)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bBusy; });
    if (m_lError == 0)
        return true;
    lOsError = m_lError;
    m_lError = 0; // reported once
    return false;
}

void CBackgroundJob::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_changed.wait(lock, [this] { return m_bBusy || m_bStop; });
        if (!m_bBusy)
            return; // stopped, with nothing left to do
        const Job job = std::move(m_job);
        lock.unlock();
        const long lError = job();
        lock.lock();
        m_lError = lError;
        m_bBusy = false;
        m_changed.notify_all();
    }
}
