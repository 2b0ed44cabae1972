// Background writing of full buffers, so that preparing and copying out one buffer
// overlaps the work of filling the next.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CWriteBehind
{
public:
    /// One write: returns 0 when it succeeded, else the system's error.
    using Job = std::function<long()>;

    CWriteBehind() = default;
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;
    /// Finishes the write under way, then ends the thread.
    ~CWriteBehind();

    /// Starts the job on the background thread; whatever it reads must stay untouched
    /// until Wait returns. Only one job is under way at a time: call Wait first.
    void Start(Job job);
    /// Waits for the job started last; false, with the system's error, when it failed.
    bool Wait(long& lOsError);

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Job m_job;
    bool m_bBusy = false;
    bool m_bStop = false;
    long m_lError = 0; // of the last job; 0 when it succeeded
    std::thread m_thread; // last: started once the state above exists
};
