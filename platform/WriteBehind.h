// Background writing of full buffers, so that the system's copying of output overlaps
// the work of filling the next buffer.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "OsFile.h"

class CWriteBehind
{
public:
    CWriteBehind() = default;
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;
    /// Finishes the write under way, then ends the thread.
    ~CWriteBehind();

    /// Starts writing n bytes at p to the file; the bytes must stay untouched until Wait
    /// returns. Only one write is under way at a time: call Wait first.
    void Start(plat::FileHandle hFile, const char* p, size_t n);
    /// Waits for the write started last; false, with the system's error, when it failed.
    bool Wait(long& lOsError);

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    plat::FileHandle m_hFile = plat::kInvalidFile;
    const char* m_p = nullptr;
    size_t m_n = 0;
    bool m_bBusy = false;
    bool m_bStop = false;
    long m_lError = 0; // of the last write; 0 when it succeeded
    std::thread m_thread; // last: started once the state above exists
};
