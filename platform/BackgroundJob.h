// One job at a time on a thread of its own: a buffer is written out, or the next one read
// in, while the caller works on the other; or a batch of entries is converted while the
// caller converts the next.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CBackgroundJob
{
public:
    /// One read, write or conversion: returns 0 when it succeeded, else the system's error.
    using Job = std::function<long()>;

    CBackgroundJob() = default;
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;
    /// Finishes the job under way, then ends the thread.
    ~CBackgroundJob();

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
