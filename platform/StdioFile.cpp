// Portable half of CStdioFile: buffering and text-mode translation. The raw file calls
// are the backend's (platform/OsFile.h).
#include "StdioFile.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
        plat::OsWriteFile(m_hFile, m_pBuffer.get(), m_nEnd, lOsError);
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
        m_pBuffer = std::make_unique_for_overwrite<char[]>(kBufferSize + kSlack);
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
    std::string& line = rString.Str();
    line.clear();
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
            line.append(begin, avail);
            m_nPos = m_nEnd;
            continue;
        }
        line.append(begin, static_cast<size_t>(lf - begin));
        m_nPos += static_cast<size_t>(lf - begin) + 1;
        // CR LF arrives as LF; the CR may have come with the previous buffer.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return TRUE;
    }
}

void CStdioFile::WriteString(const char* psz)
{
    WriteText(psz, std::strlen(psz));
}

void CStdioFile::WriteText(const char* p, size_t n)
{
    if (m_nEnd + 2 * n <= kBufferSize)
    {
        // Fits even if every byte were a line feed: translate straight into the buffer.
        char* out = m_pBuffer.get() + m_nEnd;
#ifdef __SSE2__
        // Sixteen bytes are stored whole, then the output moves on only past the bytes
        // before the first LF among them, which becomes CR LF. The slack past the buffer
        // takes a store that reaches beyond the text.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        while (n >= 16)
        {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x);
            const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(x, lineFeed));
            if (!mask)
            {
                p += 16;
                out += 16;
                n -= 16;
                continue;
            }
            const auto pos = static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            out[pos] = '\r';
            out[pos + 1] = '\n';
            out += pos + 2;
            p += pos + 1;
            n -= pos + 1;
        }
#endif
        while (const auto* lf = static_cast<const char*>(std::memchr(p, '\n', n)))
        {
            const auto run = static_cast<size_t>(lf - p);
            std::memcpy(out, p, run);
            out[run] = '\r';
            out[run + 1] = '\n';
            out += run + 2;
            p += run + 1;
            n -= run + 1;
        }
        std::memcpy(out, p, n);
        m_nEnd = static_cast<size_t>(out + n - m_pBuffer.get());
        return;
    }
    while (n)
    {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', n));
        const size_t run = lf ? static_cast<size_t>(lf - p) : n;
        PutBytes(p, run);
        if (!lf)
            return;
        PutBytes("\r\n", 2);
        p += run + 1;
        n -= run + 1;
    }
}

void CStdioFile::PutBytes(const char* p, size_t n)
{
    if (m_nEnd + n > kBufferSize)
    {
        Flush();
        if (n >= kBufferSize)
        {
            WaitForWriter(); // the bytes before these must reach the file first
            long lOsError = 0;
            if (!plat::OsWriteFile(m_hFile, p, n, lOsError))
                Throw(lOsError);
            return;
        }
    }
    std::memcpy(m_pBuffer.get() + m_nEnd, p, n);
    m_nEnd += n;
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
        m_pSpare = std::make_unique_for_overwrite<char[]>(kBufferSize + kSlack);
    }
    m_pWriter->Start(m_hFile, m_pBuffer.get(), n);
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
        else if (m_nEnd && !plat::OsWriteFile(m_hFile, m_pBuffer.get(), m_nEnd, lFlushError))
            m_nEnd = 0;
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
