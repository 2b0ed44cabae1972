// Portable half of CStdioFile: buffering and text-mode translation. The raw file calls
// are the backend's (platform/OsFile.h).
#include "StdioFile.h"

#include <cstring>

#include "LineFeeds.h"

CStdioFile::~CStdioFile()
{
    if (!IsOpen())
        return;
    // As a stream's close would: write what is buffered, but a destructor cannot report.
    long lOsError = 0;
    if (m_pWriter)
        m_pWriter->Wait(lOsError);
    m_pWriter.reset();
    if (m_bWrite && m_nEnd)
        WriteOut(m_pBuffer.get(), m_nEnd);
    plat::OsCloseFile(m_hFile, lOsError);
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
    if (!m_pBuffer)
        m_pBuffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    if (m_bWrite && !m_pExpanded)
        m_pExpanded = std::make_unique_for_overwrite<char[]>(2 * kBufferSize + plat::kExpandSlack);
    m_nPos = m_nEnd = 0;
    m_bEnd = false;
    return TRUE;
}

void CStdioFile::Throw(long lOsError) const
{
    throw CFileException(lOsError, m_strFileName);
}

bool CStdioFile::FillBuffer()
{
    m_nPos = m_nEnd = 0;
    if (m_bEnd)
        return false;
    long lOsError = 0;
    const long long n = plat::OsReadFile(m_hFile, m_pBuffer.get(), kBufferSize, lOsError);
    if (n < 0)
        Throw(lOsError);
    if (n == 0)
    {
        m_bEnd = true;
        return false;
    }
    m_nEnd = static_cast<size_t>(n);
    // A Ctrl-Z ends text input: nothing after it is ever read.
    if (const void* eof = std::memchr(m_pBuffer.get(), 0x1A, m_nEnd))
    {
        m_nEnd = static_cast<size_t>(static_cast<const char*>(eof) - m_pBuffer.get());
        m_bEnd = true;
    }
    return m_nEnd != 0;
}

BOOL CStdioFile::ReadString(CString& rString)
{
    rString.Empty();
    bool bAny = false;
    for (;;)
    {
        if (m_nPos == m_nEnd && !FillBuffer())
            return bAny ? TRUE : FALSE;
        const char* begin = m_pBuffer.get() + m_nPos;
        const size_t avail = m_nEnd - m_nPos;
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', avail));
        bAny = true;
        if (!lf)
        {
            rString.Append(begin, static_cast<int>(avail));
            m_nPos = m_nEnd;
            continue;
        }
        // CR LF arrives as LF. The CR is looked for in the buffer, where it was read, not
        // in the line just copied, unless it came with the previous buffer.
        size_t nRun = static_cast<size_t>(lf - begin);
        m_nPos += nRun + 1;
        if (nRun && lf[-1] == '\r')
            --nRun;
        else if (!nRun && !rString.IsEmpty() && rString[rString.GetLength() - 1] == '\r')
            rString.Truncate(rString.GetLength() - 1);
        rString.Append(begin, static_cast<int>(nRun));
        return TRUE;
    }
}

void CStdioFile::WriteString(const char* psz)
{
    WriteText(psz, std::strlen(psz));
}

void CStdioFile::WriteText(const char* p, size_t n)
{
    // The text is gathered as it is; each LF becomes CR LF only when a full buffer goes
    // out, on the background thread.
    while (m_nEnd + n > kBufferSize)
    {
        const size_t nFits = kBufferSize - m_nEnd;
        std::memcpy(m_pBuffer.get() + m_nEnd, p, nFits);
        m_nEnd = kBufferSize;
        p += nFits;
        n -= nFits;
        Flush();
    }
    std::memcpy(m_pBuffer.get() + m_nEnd, p, n);
    m_nEnd += n;
}

long CStdioFile::WriteOut(const char* p, size_t n)
{
    const size_t nExpanded = plat::ExpandLineFeeds(p, n, m_pExpanded.get());
    long lOsError = 0;
    return plat::OsWriteFile(m_hFile, m_pExpanded.get(), nExpanded, lOsError) ? 0 : lOsError;
}

void CStdioFile::WaitForWriter()
{
    long lOsError = 0;
    if (m_pWriter && !m_pWriter->Wait(lOsError))
        Throw(lOsError);
}

void CStdioFile::Flush()
{
    if (!m_nEnd)
        return;
    const size_t n = m_nEnd;
    m_nEnd = 0; // what failed to reach the disk is not offered again
    WaitForWriter();
    if (!m_pWriter)
    {
        m_pWriter = std::make_unique<CWriteBehind>();
        m_pSpare = std::make_unique_for_overwrite<char[]>(kBufferSize);
    }
    m_pWriter->Start([this, p = m_pBuffer.get(), n] { return WriteOut(p, n); });
    std::swap(m_pBuffer, m_pSpare);
}

void CStdioFile::Close()
{
    if (!IsOpen())
        return;
    long lFlushError = 0;
    if (m_bWrite)
    {
        // The background write first, then the rest, here: the file is complete when
        // Close returns.
        if (m_pWriter && !m_pWriter->Wait(lFlushError))
            m_nEnd = 0;
        else if (m_nEnd)
            lFlushError = WriteOut(m_pBuffer.get(), m_nEnd);
        m_pWriter.reset();
    }
    const plat::FileHandle hFile = m_hFile;
    m_hFile = plat::kInvalidFile;
    m_nPos = m_nEnd = 0;
    long lCloseError = 0;
    const bool bClosed = plat::OsCloseFile(hFile, lCloseError);
    if (lFlushError)
        Throw(lFlushError);
    if (!bClosed)
        Throw(lCloseError);
}
