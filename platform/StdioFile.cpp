// Portable half of CStdioFile: buffering and text-mode translation. The raw file calls
// are the backend's (platform/OsFile.h).
#include "StdioFile.h"

#include <algorithm>
#include <cstring>

#include "ByteSearch.h"
#include "LineFeeds.h"

static_assert(plat::kExpandSlack <= CString::kPadding, "the buffer's padding takes the slack");

CStdioFile::~CStdioFile()
{
    if (!IsOpen())
        return;
    // As a stream's close would: write what is buffered, but a destructor cannot report.
    long lOsError = 0;
    if (m_pJob)
        m_pJob->Wait(lOsError);
    m_pJob.reset();
    if (m_bWrite && !m_bClosing) // else the thread wrote the rest, or dropped it on a failure
    {
        EndBufferPiece();
        WriteOut(m_pending.pieces.data(), m_pending.pieces.size());
    }
    CloseHandle(lOsError);
}

BOOL CStdioFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (IsOpen())
        return FALSE;
    m_strFileName = pszFileName;
    long lOsError = 0;
    if (!plat::OsOpenFile(m_strFileName, nOpenFlags, m_hFile, lOsError))
    {
        m_hFile = plat::kInvalidFile;
        if (pError)
            *pError = CFileException(lOsError, m_strFileName);
        return FALSE;
    }
    m_bWrite = (nOpenFlags & (modeWrite | modeReadWrite)) != 0;
    m_bReserving = m_bWrite;
    m_nWritten = m_nReserved = 0;
    m_nHandedToDisk = 0;
    // The padding lets a line be copied out in whole blocks that read past the data.
    if (!m_pBuffer)
        m_pBuffer = NewBuffer();
    m_nPos = m_nEnd = 0;
    m_nPieceStart = 0;
    m_pending.Clear();
    m_nFilled = 0;
    m_bEnd = m_bReadingAhead = false;
    return TRUE;
}

void CStdioFile::Throw(long lOsError) const
{
    throw CFileException(lOsError, m_strFileName);
}

// A Ctrl-Z ends text input: nothing after it is ever read. The length of the text in
// the n bytes read.
static size_t TextLength(const char* p, size_t n)
{
    const char* eof = plat::FindByte(p, n, 0x1A);
    return eof ? static_cast<size_t>(eof - p) : n;
}

bool CStdioFile::FillBuffer()
{
    m_nPos = m_nEnd = 0;
    if (m_bEnd)
        return false;
    long lOsError = 0;
    long long n = 0;
    size_t nText = 0;
    if (m_bReadingAhead)
    {
        // Read, and looked through, in the background while the last buffer was parsed.
        m_bReadingAhead = false;
        if (!m_pJob->Wait(lOsError))
            Throw(lOsError);
        n = m_nReadAhead;
        nText = m_nReadAheadText;
        std::swap(m_pBuffer, m_spares[0]);
    }
    else if ((n = plat::OsReadFile(m_hFile, m_pBuffer.get(), m_nBufferSize, lOsError)) < 0)
        Throw(lOsError);
    else
        nText = TextLength(m_pBuffer.get(), static_cast<size_t>(n));
    if (n == 0)
    {
        m_bEnd = true;
        return false;
    }
    m_nEnd = nText;
    m_bEnd = nText < static_cast<size_t>(n);
    // From the second buffer on, the next one is read while this one is parsed. The first
    // is read alone: a file refused for its first line costs one read, and a file of one
    // buffer never starts the thread.
    if (!m_bEnd && ++m_nFilled > 1)
        StartReadAhead();
    return m_nEnd != 0;
}

void CStdioFile::StartReadAhead()
{
    if (!m_pJob)
        StartJobThread();
    m_bReadingAhead = true;
    m_pJob->Start([this] {
        long lOsError = 0;
        m_nReadAhead = plat::OsReadFile(m_hFile, m_spares[0].get(), m_nBufferSize, lOsError);
        if (m_nReadAhead < 0)
            return lOsError;
        m_nReadAheadText = TextLength(m_spares[0].get(), static_cast<size_t>(m_nReadAhead));
        return 0L;
    });
}

bool CStdioFile::ReadAhead()
{
    // Only after a full first buffer: a file that fitted in one never starts the thread.
    if (!IsOpen() || m_bWrite || m_bEnd || m_bReadingAhead || m_nFilled != 1 ||
        m_nEnd != m_nBufferSize)
        return false;
    ++m_nFilled; // as if it were the second buffer: the next ones are read ahead too
    StartReadAhead();
    return true;
}

void CStdioFile::PrepareBackgroundJobs()
{
    if (!m_pJob)
        StartJobThread();
}

void CStdioFile::StartJobThread()
{
    // Woken for a buffer, the thread lets the threads that make or use the text run on to
    // a pause: cut off in their work, they may hold one another up while a core idles.
    m_pJob = std::make_unique<CBackgroundJob>(CJobWakeup::deferred);
    m_spares[0] = NewBuffer();
}

// With CString::kPadding bytes to spare at the end: see m_pBuffer.
plat::StoragePtr CStdioFile::NewBuffer() const
{
    return plat::StoragePtr(plat::NewStorage(m_nBufferSize + CString::kPadding));
}

BOOL CStdioFile::ReadString(CString& rString, size_t nMax)
{
    CPaddedText line;
    if (!ReadLine(line, nMax))
    {
        rString.Empty();
        return FALSE;
    }
    rString.AssignPadded(line);
    return TRUE;
}

bool CStdioFile::ReadLine(CPaddedText& line, size_t nMax)
{
    // Most lines lie whole in the buffer and are handed out where they are; only a line
    // that spans buffers is put together in m_strCarry.
    m_strCarry.Empty();
    bool bAny = false;
    bool bCarried = false;
    for (;;)
    {
        if (m_nPos == m_nEnd && !FillBuffer())
        {
            line = m_strCarry;
            return bAny;
        }
        // The buffer keeps CString::kPadding readable bytes past its end: see m_pBuffer.
        const CPaddedText buffered = CPaddedText::Assume(m_pBuffer.get() + m_nPos, m_nEnd - m_nPos);
        const char* begin = buffered.data();
        const size_t avail = buffered.size();
        // Past nMax bytes only the LF itself may follow: look no further than that.
        const size_t nRoom = nMax - static_cast<size_t>(m_strCarry.GetLength());
        const size_t nLook = avail <= nRoom ? avail : nRoom + 1;
        const char* lf = plat::FindByte(begin, nLook, '\n');
        bAny = true;
        // The line ends with the n bytes at begin: they are handed out where they lie, or
        // after what the earlier buffers carried.
        auto handOut = [&](size_t n) {
            if (!bCarried)
                line = buffered.Sub(0, static_cast<int>(n));
            else
            {
                m_strCarry.AppendPadded(buffered.Sub(0, static_cast<int>(n)));
                line = m_strCarry;
            }
            return true;
        };
        if (!lf && nLook > nRoom)
        {
            // Too long: hand out the first nMax bytes and leave the rest unread.
            m_nPos += nRoom;
            return handOut(nRoom);
        }
        if (!lf)
        {
            m_strCarry.AppendPadded(buffered);
            m_nPos = m_nEnd;
            bCarried = true;
            continue;
        }
        // CR LF arrives as LF; the CR may have come with the previous buffer.
        size_t nRun = static_cast<size_t>(lf - begin);
        m_nPos += nRun + 1;
        if (nRun && lf[-1] == '\r')
            --nRun;
        else if (!nRun && bCarried && m_strCarry.View().ends_with('\r'))
            m_strCarry.Truncate(m_strCarry.GetLength() - 1);
        return handOut(nRun);
    }
}

CPaddedText CStdioFile::PeekBuffered()
{
    if (m_nPos == m_nEnd && !FillBuffer())
        return {};
    return CPaddedText::Assume(m_pBuffer.get() + m_nPos, m_nEnd - m_nPos);
}

void CStdioFile::WriteString(const char* psz)
{
    WriteText(psz, std::strlen(psz));
}

void CStdioFile::WriteText(const char* p, size_t n)
{
    // Each LF becomes CR LF as the text is copied in, a piece at a time that fits even
    // when it is all line feeds.
    while (n)
    {
        const size_t nPiece = std::min(n, (m_nBufferSize - m_nEnd) / 2);
        if (!nPiece)
        {
            Flush();
            continue;
        }
        m_nEnd += plat::ExpandLineFeeds(p, nPiece, m_pBuffer.get() + m_nEnd);
        p += nPiece;
        n -= nPiece;
    }
}

void CStdioFile::WriteCrLfText(const char* p, size_t n)
{
    while (m_nEnd + n > m_nBufferSize)
    {
        const size_t nFits = m_nBufferSize - m_nEnd;
        std::memcpy(m_pBuffer.get() + m_nEnd, p, nFits);
        m_nEnd = m_nBufferSize;
        p += nFits;
        n -= nFits;
        Flush();
    }
    std::memcpy(m_pBuffer.get() + m_nEnd, p, n);
    m_nEnd += n;
}

long CStdioFile::WriteOut(const plat::OsPiece* pieces, size_t n)
{
    size_t nBytes = 0;
    for (size_t i = 0; i < n; ++i)
        nBytes += pieces[i].n;
    ReserveFor(nBytes);
    long lOsError = 0;
    if (!plat::OsWritePieces(m_hFile, pieces, n, lOsError))
        return lOsError;
    m_nWritten += static_cast<long long>(nBytes);
    return 0;
}

void CStdioFile::ReserveFor(size_t nBytes)
{
    // A file written in one go gains nothing: room is set aside from its second write on.
    // Where the system cannot, or the disk has no room to spare, the writes go on
    // without: they find the room, or report that there is none, as they always have.
    const long long nEnd = m_nWritten + static_cast<long long>(nBytes);
    if (!m_bReserving || m_nWritten == 0 || nEnd <= m_nReserved)
        return;
    const long long nFrom = std::max(m_nReserved, m_nWritten);
    const long long nStep = plat::tuning::kReserveStepBytes;
    const long long nTo = (nEnd + nStep - 1) / nStep * nStep;
    const bool bFirst = m_nReserved == 0;
    if ((bFirst && !plat::OsReservingSpaceHelps(m_hFile)) ||
        !plat::OsReserveSpace(m_hFile, nFrom, nTo - nFrom))
    {
        m_bReserving = false;
        return;
    }
    m_nReserved = nTo;
}

void CStdioFile::ReleaseSpareSpace()
{
    if (m_nReserved > m_nWritten)
        plat::OsReleaseSpareSpace(m_hFile);
    m_nReserved = 0;
}

bool CStdioFile::CloseHandle(long& lOsError)
{
    ReleaseSpareSpace();
    const plat::FileHandle hFile = m_hFile;
    m_hFile = plat::kInvalidFile;
    return plat::OsCloseFile(hFile, lOsError);
}

void CStdioFile::CPending::Clear()
{
    pieces.clear();
    texts.clear();
    nTextBytes = 0;
}

void CStdioFile::EndBufferPiece()
{
    if (m_nEnd > m_nPieceStart)
        m_pending.pieces.push_back({m_pBuffer.get() + m_nPieceStart, m_nEnd - m_nPieceStart});
    m_nPieceStart = m_nEnd;
}

void CStdioFile::HandOverCrLfText(CString& str)
{
    if (str.IsEmpty())
        return;
    EndBufferPiece();
    const auto n = static_cast<size_t>(str.GetLength());
    m_pending.pieces.push_back({str.GetData(), n});
    m_pending.nTextBytes += n;
    m_pending.texts.push_back(std::move(str)); // its storage, and so the piece, stays put
    if (!m_writtenTexts.empty())
    {
        str = std::move(m_writtenTexts.back());
        m_writtenTexts.pop_back();
    }
    if (m_nEnd + m_pending.nTextBytes >= m_nBufferSize)
        Flush();
}

void CStdioFile::Flush()
{
    EndBufferPiece();
    const bool bBufferHandedOver = m_nEnd > 0;
    m_nEnd = m_nPieceStart = 0;
    if (m_pending.pieces.empty())
        return;
    // kWaitingWrites buffers at most wait for the disk, the one being written and those
    // behind it: a spell of slow writing, or of a writing thread kept waiting for a core,
    // does not hold up the text's maker at once.
    long lOsError = 0;
    if (m_pJob && !m_pJob->WaitUntilQueued(kWaitingWrites - 1, lOsError))
    {
        m_pending.Clear(); // what failed to reach the disk is not offered again
        Throw(lOsError);
    }
    if (!m_pJob)
        StartJobThread();
    m_nHandedToDisk += static_cast<long long>(HoldBackPastBoundary());
    // The pieces stay where they are while the lists move between the spares.
    m_pJob->Start([this, p = m_pending.pieces.data(), n = m_pending.pieces.size()] {
        return WriteOut(p, n);
    });
    // Filled next: the buffer handed over kWaitingWrites flushes ago, written by now (or
    // one never used); the one just handed over goes to the back. A buffer that held none
    // of the text, all of it handed over, stays; a spare that is never needed is never
    // made. The texts handed over kWaitingWrites flushes ago are written: their storage
    // is given back.
    if (bBufferHandedOver)
    {
        if (!m_spares[0])
            m_spares[0] = NewBuffer();
        std::swap(m_pBuffer, m_spares[0]);
    }
    std::swap(m_pending, m_spareHandedOver[0]);
    std::rotate(m_spares.begin(), m_spares.begin() + 1, m_spares.end());
    std::rotate(m_spareHandedOver.begin(), m_spareHandedOver.begin() + 1,
                m_spareHandedOver.end());
    for (CString& text : m_pending.texts)
    {
        text.Empty();
        m_writtenTexts.push_back(std::move(text));
    }
    m_pending.Clear();
    TakeUpHeldBack();
}

size_t CStdioFile::PendingBytes() const
{
    size_t n = 0;
    for (const plat::OsPiece& piece : m_pending.pieces)
        n += piece.n;
    return n;
}

size_t CStdioFile::HoldBackPastBoundary()
{
    // A write that starts or ends inside a page makes the system take that page up twice,
    // and one that starts off a boundary gets its file cache in small blocks: each costs
    // a share of the system's time. So a write ends on a boundary of the file, and the
    // bytes past it begin the next one. A write too short to reach one goes whole.
    const size_t nAlign = std::min(plat::tuning::kWriteBoundaryBytes, m_nBufferSize);
    const size_t nTotal = PendingBytes();
    const auto nHeld = static_cast<size_t>((m_nHandedToDisk + static_cast<long long>(nTotal)) %
                                           static_cast<long long>(nAlign));
    if (nHeld >= nTotal)
        return nTotal;
    size_t nKeep = nHeld;
    const char* const pBuffer = m_pBuffer.get();
    while (nKeep)
    {
        plat::OsPiece& last = m_pending.pieces.back();
        const size_t n = std::min(nKeep, last.n);
        const bool bInBuffer = last.p >= pBuffer && last.p < pBuffer + m_nBufferSize;
        m_heldBack.push_back({{last.p + last.n - n, n}, bInBuffer});
        // A text held back in part or whole goes with the next write, which ends after
        // this one's: its storage stays until both are written.
        if (!bInBuffer)
        {
            m_heldBackTexts.push_back(std::move(m_pending.texts.back()));
            m_pending.texts.pop_back();
        }
        last.n -= n;
        nKeep -= n;
        if (last.n == 0)
            m_pending.pieces.pop_back();
    }
    return nTotal - nHeld;
}

void CStdioFile::TakeUpHeldBack()
{
    // Held back from the end, so taken up from the back. Bytes of the buffer that was
    // handed over are copied into this one (less than a boundary's worth); texts' bytes
    // stay where they are.
    for (auto it = m_heldBack.rbegin(); it != m_heldBack.rend(); ++it)
    {
        if (it->bInBuffer)
        {
            std::memcpy(m_pBuffer.get() + m_nEnd, it->piece.p, it->piece.n);
            m_nEnd += it->piece.n;
            continue;
        }
        EndBufferPiece();
        m_pending.pieces.push_back(it->piece);
        m_pending.nTextBytes += it->piece.n;
    }
    for (CString& text : m_heldBackTexts)
        m_pending.texts.push_back(std::move(text));
    m_heldBack.clear();
    m_heldBackTexts.clear();
}

void CStdioFile::StartClosing()
{
    if (!IsOpen() || !m_bWrite || !m_pJob || m_bClosing)
        return;
    EndBufferPiece();
    m_bClosing = true;
    // The pieces, and the texts they lie in, stay in m_pending until Close.
    m_pJob->Start([this, p = m_pending.pieces.data(), n = m_pending.pieces.size()] {
        const long lOsError = WriteOut(p, n);
        ReleaseSpareSpace();
        return lOsError;
    });
}

void CStdioFile::Close()
{
    if (!IsOpen())
        return;
    long lFlushError = 0;
    if (m_bWrite)
    {
        // The background writes first, then the rest, here, unless the thread has it: the
        // file is complete when Close returns.
        EndBufferPiece();
        if (m_pJob && !m_pJob->Wait(lFlushError))
            m_pending.Clear();
        else if (!m_bClosing)
            lFlushError = WriteOut(m_pending.pieces.data(), m_pending.pieces.size());
    }
    m_bClosing = false;
    // A read under way uses the handle: it ends first, and what it read is not wanted.
    m_pJob.reset();
    m_bReadingAhead = false;
    m_nPos = m_nEnd = 0;
    m_nPieceStart = 0;
    m_pending.Clear();
    long lCloseError = 0;
    const bool bClosed = CloseHandle(lCloseError);
    if (lFlushError)
        Throw(lFlushError);
    if (!bClosed)
        Throw(lCloseError);
}
