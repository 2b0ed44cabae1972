// One playlist line: the path, then segments each introduced by the byte 0x01; a segment
// is a four-byte tag, one character skipped, and the value.
#include <algorithm>
#include <climits>
#include <cstring>

#include "CodePage.h"
#include "Folder.h"
#include "PlaylistConverter.h"

namespace
{
const char kSeparator = '\x01';

struct TextTag
{
    char tag[5];
    CString CPlaylistConverter::*pMember;
};

// The text tags in the order they are tested; TYPE, the twelfth, is read as a number.
const TextTag kTextTags[] = {
    {"NAME", &CPlaylistConverter::m_strTitle},    {"ATST", &CPlaylistConverter::m_strArtist},
    {"CHNL", &CPlaylistConverter::m_strChannels}, {"TIME", &CPlaylistConverter::m_strDuration},
    {"ALBM", &CPlaylistConverter::m_strAlbum},    {"GENR", &CPlaylistConverter::m_strGenre},
    {"YEAR", &CPlaylistConverter::m_strYear},     {"TRKN", &CPlaylistConverter::m_strTrackNum},
    {"RATE", &CPlaylistConverter::m_strBitrate},  {"FREQ", &CPlaylistConverter::m_strSampRate},
    {"SIZE", &CPlaylistConverter::m_strFileSize},
};

const char* const kTypeNames[] = {nullptr, "MOD", "MOD", "MOD", "S3M", "XM",  "IT",
                                  "MP3",   "WAV", "OGG", "WMA", "FLAC", "URL", "MP4",
                                  "APE",   "WV",  "MTM", "MPC"};
constexpr int kLastType = 17;

// The value begins after the fifth character of the encoded segment. That character may be
// several UTF-8 bytes (a letter above ASCII, or U+FFFD for a control byte); starting inside
// it would leave a broken sequence in the document.
int ValueStart(const CString& strSegment)
{
    const auto* p = reinterpret_cast<const unsigned char*>(strSegment.GetData());
    const size_t n = static_cast<size_t>(strSegment.GetLength());
    char32_t u;
    const size_t nChar = p[4] < 0x80 ? 1 : plat::DecodeUtf8(p + 4, n - 4, u);
    return static_cast<int>(4 + (nChar ? nChar : 1));
}

// The number at the start of the text, read as atoi reads it: leading white space, a
// sign, then digits up to the first other byte; 0 when there is no number. Out-of-range
// values are held at the int limits rather than left undefined.
int ReadNumber(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    bool bNegative = false;
    if (p < end && (*p == '+' || *p == '-'))
        bNegative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
    {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}
} // namespace

bool CPlaylistConverter::ConvertNextEntry()
{
    if (!m_fileIn.ReadString(m_strLine))
        return false;
    m_nEnd = m_strLine.Find(kSeparator);
    if (m_nEnd < 0)
        m_nEnd = m_strLine.GetLength();
    if (m_nEnd == 0)
        return true; // an empty line, or no path: nothing is cleared or written
    const int nPathLength = m_nEnd;

    m_strFileType.Empty();
    m_strFileSize.Empty();
    m_strTitle.Empty();
    m_strArtist.Empty();
    m_strAlbum.Empty();
    m_strGenre.Empty();
    m_strYear.Empty();
    m_strTrackNum.Empty();
    m_strChannels.Empty();
    m_strSampRate.Empty();
    m_strBitrate.Empty();
    m_strDuration.Empty();
    m_strFilePath.AssignMid(m_strLine, 0, m_nEnd);

    while (m_nEnd < m_strLine.GetLength())
    {
        m_nStart = m_nEnd + 1;
        m_nEnd = m_strLine.Find(kSeparator, m_nStart);
        if (m_nEnd < 0)
            m_nEnd = m_strLine.GetLength();
        m_strWork.AssignMid(m_strLine, m_nStart, m_nEnd - m_nStart);
        EncodeText(m_strWork); // the whole segment, before anything in it is examined
        if (m_strWork.GetLength() < 6)
            continue;
        const char* pszSegment = m_strWork.GetData();
        const int nValue = ValueStart(m_strWork);
        const int nValueLength = m_strWork.GetLength() - nValue;
        for (const TextTag& tag : kTextTags)
        {
            if (std::memcmp(pszSegment, tag.tag, 4) == 0)
                (this->*tag.pMember).AssignMid(m_strWork, nValue, nValueLength);
        }
        if (std::memcmp(pszSegment, "TYPE", 4) == 0)
        {
            m_nType = ReadNumber(pszSegment + nValue, pszSegment + m_strWork.GetLength());
            if (m_nType >= 1 && m_nType <= kLastType)
                m_strFileType = kTypeNames[m_nType];
        }
    }

    const unsigned nFull =
        plat::GetFullPathName(m_strFilePath, MAX_PATH, m_szFullPath, &m_pszFilePart);
    if (nFull >= 1 && nFull < MAX_PATH)
        m_strFilePath.Assign(m_szFullPath, static_cast<int>(nFull));
    EncodeText(m_strFilePath);

    if (m_strTitle.IsEmpty())
    {
        // The title comes from the entry's path alone: the text after its last '\' or
        // '/', up to its last '.' after that. Segment text never takes part.
        const UINT cp = plat::GetACP();
        const char* pszLine = m_strLine.GetData();
        const auto nPath = static_cast<size_t>(nPathLength);
        m_nStart = std::max(plat::MbReverseFind(cp, pszLine, nPath, '\\'),
                            plat::MbReverseFind(cp, pszLine, nPath, '/'));
        if (m_nStart >= 0)
        {
            ++m_nStart;
            m_nEnd = plat::MbReverseFind(cp, pszLine, nPath, '.');
            const int nTitleEnd = m_nEnd > m_nStart ? m_nEnd : nPathLength;
            m_strTitle.AssignMid(m_strLine, m_nStart, nTitleEnd - m_nStart);
        }
        EncodeText(m_strTitle);
    }

    WriteTrack();
    return true;
}
