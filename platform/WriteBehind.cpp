#include "WriteBehind.h"

CWriteBehind::~CWriteBehind()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CWriteBehind::Start(plat::FileHandle hFile, const char* p, size_t n)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hFile = hFile;
        m_p = p;
        m_n = n;
        m_lError = 0;
        m_bBusy = true;
    }
    if (!m_thread.joinable())
        m_thread = std::thread(&CWriteBehind::Run, this);
    m_changed.notify_all();
}

bool CWriteBehind::Wait(long& lOsError)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bBusy; });
    if (m_lError == 0)
        return true;
    lOsError = m_lError;
    m_lError = 0; // reported once
    return false;
}

void CWriteBehind::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_changed.wait(lock, [this] { return m_bBusy || m_bStop; });
        if (!m_bBusy)
            return; // stopped, with nothing left to write
        const plat::FileHandle hFile = m_hFile;
        const char* p = m_p;
        const size_t n = m_n;
        lock.unlock();
        long lOsError = 0;
        const bool bWritten = plat::OsWriteFile(hFile, p, n, lOsError);
        lock.lock();
        m_lError = bWritten ? 0 : lOsError;
        m_bBusy = false;
        m_changed.notify_all();
    }
}
