// The rest of a run on two lanes, this thread and a second one. Each lane takes the next
// batch of lines from the playlist, converts it with a converter of its own, and writes it
// once every batch taken before it is written; while one waits for that, the lane converts
// the next. The entries are independent of one another (a relative path resolves against
// the one folder of the whole run), so the document is the one ConvertNextEntry writes
// entry by entry.
#include <exception>
#include <mutex>
#include <string_view>
#include <utility>

#include "BackgroundJob.h"
#include "EntryBatch.h"
#include "PlaylistConverter.h"
#include "ThreadLock.h"

void CPlaylistConverter::ConvertBatch(CEntryBatch& batch)
{
    batch.ClearOutput();
    m_pBatch = &batch;
    try
    {
        batch.ForEachLine([this](CPaddedText line) { ConvertLine(line); });
    }
    catch (...)
    {
        m_pBatch = nullptr;
        throw;
    }
    m_pBatch = nullptr;
}

void CPlaylistConverter::WriteBatch(CEntryBatch& batch)
{
    batch.WriteEntries();
}

namespace
{
class CLanes
{
public:
    explicit CLanes(CPlaylistConverter& run)
        : m_run(run), m_mainBatches{LaneBatch(run), LaneBatch(run)},
          m_workerBatches{LaneBatch(run), LaneBatch(run)}
    {
        m_workerConverter.m_pOptions = run.m_pOptions;
    }

    /// Converts batches on both lanes until the input ends, fails, or comes to a line
    /// longer than a batch. The lanes stop for such a line, so that it is converted where
    /// the file read it, by Run, before they go on. bLongInput: the input is known to hold
    /// several batches, and the second lane starts at once rather than after a first batch.
    void Run(bool bLongInput)
    {
        for (;;)
        {
            m_bStopped = false;
            if (bLongInput && !m_bWorkerRunning)
                StartWorker();
            RunLane(m_run, m_mainBatches, true);
            if (m_bWorkerRunning)
            {
                long lUnused = 0;
                m_worker.Wait(lUnused);
                m_bWorkerRunning = false;
            }
            if (m_error)
                std::rethrow_exception(m_error);
            if (m_readError)
                std::rethrow_exception(m_readError);
            if (!m_bLongLine)
                return;
            m_bLongLine = false;
            m_run.ConvertLine(m_longLine);
        }
    }

private:
    static CEntryBatch LaneBatch(const CPlaylistConverter& run)
    {
        return CEntryBatch(run.m_outputs);
    }

    /// A batch converted and waiting for its turn, and the error converting it raised.
    struct CConverted
    {
        CEntryBatch* pBatch = nullptr;
        size_t nTurn = 0;
        std::exception_ptr error;
    };

    /// A lane's work: take a batch, convert it, write it in its turn; until the input stops.
    /// While a batch waits for its turn, the lane converts the next one in its other batch.
    void RunLane(CPlaylistConverter& converter, CEntryBatch (&batches)[2], bool bStartsWorker)
    {
        CConverted waiting[2]; // in the order taken
        size_t nWaiting = 0;
        for (;;)
        {
            if (nWaiting == 0)
            {
                if (!TakeAndConvert(converter, batches[0], waiting[0]))
                    return;
                nWaiting = 1;
                // A second lane is worth starting once a batch is known to be followed.
                if (bStartsWorker && !m_bWorkerRunning && !IsStopped())
                    StartWorker();
            }
            auto convertAhead = [&] {
                if (nWaiting == 2)
                    return false;
                CEntryBatch& free = waiting[0].pBatch == &batches[0] ? batches[1] : batches[0];
                if (!TakeAndConvert(converter, free, waiting[1]))
                    return false;
                nWaiting = 2;
                return true;
            };
            // The batches before this one are written before anything of it fails.
            if (!WaitForTurn(waiting[0].nTurn, convertAhead))
                return;
            try
            {
                if (waiting[0].error)
                    std::rethrow_exception(waiting[0].error);
                m_run.WriteBatch(*waiting[0].pBatch);
            }
            catch (...)
            {
                Fail(std::current_exception());
                return;
            }
            PassTurn();
            waiting[0] = std::move(waiting[1]);
            waiting[1] = CConverted();
            --nWaiting;
        }
    }

    /// Takes the next batch into batch and converts it; false once the input has stopped.
    /// First it does the files' read and write that no thread has started yet: while both
    /// lanes are busy, those threads get a core only when a lane pauses, and a lane that
    /// needs the text read, or the room written, then does it anyway, holding up the other.
    bool TakeAndConvert(CPlaylistConverter& converter, CEntryBatch& batch, CConverted& converted)
    {
        converted = CConverted();
        if (!Take(batch, converted.nTurn))
            return false;
        converted.pBatch = &batch;
        m_run.m_fileIn.RunWaitingJob();
        RunWaitingWrites();
        try
        {
            converter.ConvertBatch(batch);
        }
        catch (...)
        {
            converted.error = std::current_exception();
        }
        return true;
    }

    /// Runs the outputs' waiting writes that no thread has started; false when there was
    /// none.
    bool RunWaitingWrites()
    {
        bool bRan = false;
        for (CEntryOutput* pOutput : m_run.m_outputs)
            if (CStdioFile* pFile = pOutput->GetFile())
                bRan |= pFile->RunWaitingJob();
        return bRan;
    }

    void StartWorker()
    {
        // From here on, the other lane may call into the files' background jobs.
        m_run.m_fileIn.PrepareBackgroundJobs();
        for (CEntryOutput* pOutput : m_run.m_outputs)
            if (CStdioFile* pFile = pOutput->GetFile())
                pFile->PrepareBackgroundJobs();
        m_bWorkerRunning = true;
        m_worker.Start([this] {
            RunLane(m_workerConverter, m_workerBatches, false);
            return 0L;
        });
    }

    /// Reads the next batch into batch and gives it the next turn; false once the input has
    /// stopped.
    bool Take(CEntryBatch& batch, size_t& nTurn)
    {
        std::lock_guard<plat::CLock> lock(m_inputMutex);
        if (m_bStopped)
            return false;
        nTurn = m_nTaken++;
        try
        {
            m_bStopped = !batch.Fill(m_run.m_fileIn);
        }
        catch (...)
        {
            // The lines read before the error are still converted, then it is raised.
            m_readError = std::current_exception();
            m_bStopped = true;
        }
        if (batch.HasLongLine())
        {
            // Valid until the file's next read, which waits until the line is converted.
            m_bLongLine = m_bStopped = true;
            m_longLine = batch.LongLine();
        }
        return true;
    }

    bool IsStopped()
    {
        std::lock_guard<plat::CLock> lock(m_inputMutex);
        return m_bStopped;
    }

    /// Waits until every batch before nTurn is written; false when a lane failed. While it
    /// waits, it does the files' background reads and writes that wait for a core, or
    /// convertAhead(), which says whether it found work.
    template <typename F>
    bool WaitForTurn(size_t nTurn, F convertAhead)
    {
        std::unique_lock<plat::CLock> lock(m_turnMutex);
        while (m_nWritten != nTurn && !m_error)
        {
            lock.unlock();
            const bool bHelped = RunWaitingWrites() || convertAhead() ||
                                 m_run.m_fileIn.RunWaitingJob();
            lock.lock();
            if (!bHelped && m_nWritten != nTurn && !m_error)
                m_turnChanged.wait(lock);
        }
        return !m_error;
    }

    void PassTurn()
    {
        {
            std::lock_guard<plat::CLock> lock(m_turnMutex);
            ++m_nWritten;
        }
        m_turnChanged.notify_all();
    }

    /// Ends both lanes with the error; no batch after the failed one is written.
    void Fail(std::exception_ptr error)
    {
        {
            std::lock_guard<plat::CLock> lock(m_inputMutex);
            m_bStopped = true;
        }
        {
            std::lock_guard<plat::CLock> lock(m_turnMutex);
            m_error = std::move(error);
        }
        m_turnChanged.notify_all();
    }

    CPlaylistConverter& m_run; // its files; this thread's lane converts with it too
    CEntryBatch m_mainBatches[2];
    CPlaylistConverter m_workerConverter; // scratch members of its own; it opens no file
    CEntryBatch m_workerBatches[2];

    plat::CLock m_inputMutex; // the playlist, and what its reading found
    size_t m_nTaken = 0;
    bool m_bStopped = false;
    std::exception_ptr m_readError;
    bool m_bLongLine = false;
    CPaddedText m_longLine;

    plat::CLock m_turnMutex; // the turn to write, and the first failure
    plat::CLockCondition m_turnChanged;
    size_t m_nWritten = 0;
    std::exception_ptr m_error;

    bool m_bWorkerRunning = false; // on this thread only
    CBackgroundJob m_worker;       // last: its thread ends before the rest goes
};
} // namespace

void CPlaylistConverter::ConvertRemainingEntries()
{
    // A read error ends the input where it struck: the entries before it are written,
    // then it is raised, as from ConvertNextEntry.
    CLanes lanes(*this);
    lanes.Run(m_bLongPlaylist);
    m_strLine.Empty();
}
