// One playlist line: the path, then segments each introduced by the byte 0x01; a segment
// is a four-byte tag, one character skipped, and the value.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string_view>

#include "CodePage.h"
#include "Folder.h"
#include "PlaylistConverter.h"
#include "TextScan.h"
#include "TrackFields.h"

namespace
{
const char kSeparator = '\x01';

// The four bytes of a tag as one number, for one comparison instead of four.
constexpr uint32_t TagCode(const char* tag)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24;
}

// The twelve tags, found with one multiplication instead of a chain of comparisons: the
// multiplier is the first that gives each tag a slot of its own among sixteen.
struct Tag
{
    uint32_t code = 0;
    CString CPlaylistConverter::*pMember = nullptr; // null for TYPE, read as a number
    bool bUsed = false;
};

constexpr std::array<Tag, kFieldCount> kTags = [] {
    std::array<Tag, kFieldCount> tags{};
    for (size_t i = 0; i < tags.size(); ++i)
    {
        const CTrackField& field = kTrackFields[i];
        tags[i] = {TagCode(field.pszTag),
                   field.kind == CFieldKind::typeNumber ? nullptr : field.pMember, true};
    }
    return tags;
}();

constexpr unsigned TagSlot(uint32_t code, uint32_t multiplier)
{
    return (code * multiplier) >> 28;
}

constexpr uint32_t FindTagMultiplier()
{
    for (uint32_t multiplier = 1;; ++multiplier)
    {
        bool used[16] = {};
        bool bDistinct = true;
        for (const Tag& tag : kTags)
        {
            bDistinct = bDistinct && !used[TagSlot(tag.code, multiplier)];
            used[TagSlot(tag.code, multiplier)] = true;
        }
        if (bDistinct)
            return multiplier;
    }
}
constexpr uint32_t kTagMultiplier = FindTagMultiplier();

struct TagTable
{
    Tag slots[16];
};
constexpr TagTable MakeTagTable()
{
    TagTable table{};
    for (const Tag& tag : kTags)
        table.slots[TagSlot(tag.code, kTagMultiplier)] = tag;
    return table;
}
constexpr TagTable kTagTable = MakeTagTable();

// The tag a segment starts with, or null when it starts with none.
const Tag* FindTag(uint32_t code)
{
    const Tag& slot = kTagTable.slots[TagSlot(code, kTagMultiplier)];
    return slot.bUsed && slot.code == code ? &slot : nullptr;
}

constexpr std::string_view kTypeNames[] = {{},    "MOD", "MOD", "MOD", "S3M", "XM",  "IT",
                                           "MP3", "WAV", "OGG", "WMA", "FLAC", "URL", "MP4",
                                           "APE", "WV",  "MTM", "MPC"};
constexpr int kLastType = 17;

// The value begins after the fifth character of the encoded segment. That character may be
// several UTF-8 bytes (a letter above ASCII, or U+FFFD for a control byte); starting inside
// it would leave a broken sequence in the document.
int ValueStart(const char* pszSegment, int nLength)
{
    const auto* p = reinterpret_cast<const unsigned char*>(pszSegment);
    const auto n = static_cast<size_t>(nLength);
    char32_t u;
    const size_t nChar = p[4] < 0x80 ? 1 : plat::DecodeUtf8(p + 4, n - 4, u);
    return static_cast<int>(4 + (nChar ? nChar : 1));
}

// Position of the first separator at or after nStart, or the line's length when there is
// none; special marks the line's bytes. *pbPlain (when given) tells whether the bytes
// before it need no encoding. A run of plain bytes holds no lead byte, so a separator
// right after it is a separator under every code page; anywhere else the multibyte-aware
// search decides.
int FindSeparator(std::string_view line, const textscan::CSpecialBytes& special, int nStart,
                  bool* pbPlain)
{
    const auto nLength = static_cast<int>(line.size());
    const auto nStop = static_cast<int>(special.Next(static_cast<size_t>(nStart)));
    const bool bPlain = nStop == nLength || line[static_cast<size_t>(nStop)] == kSeparator;
    if (pbPlain)
        *pbPlain = bPlain;
    if (bPlain)
        return nStop;
    const int nFound = plat::MbFind(plat::GetACP(), line.data(), line.size(),
                                    static_cast<size_t>(nStop), kSeparator);
    return nFound < 0 ? nLength : nFound;
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
    CPaddedText line;
    if (!m_fileIn.ReadLine(line))
    {
        m_strLine.Empty();
        return false;
    }
    m_strLine.AssignPadded(line);
    ConvertLine(line);
    return true;
}

void CPlaylistConverter::ConvertLine(CPaddedText line)
{
    // The line is read where the file or the batch holds it, never changed. A batch's
    // lines are not copied into m_strLine: a run of batches leaves it empty at its end.
    const auto nLength = static_cast<int>(line.size());
    m_specialBytes.Scan(line.data(), line.size());
    m_nEnd = FindSeparator(line.View(), m_specialBytes, 0, nullptr);
    if (m_nEnd == 0)
        return; // an empty line, or no path: nothing is cleared or written
    const int nPathLength = m_nEnd;

#define SQK_TRACK_FIELD(tag, element, member, ...) member.Empty();
#include "TrackFields.inc"
#undef SQK_TRACK_FIELD
    m_strFilePath.AssignPadded(line.Sub(0, m_nEnd));

    while (m_nEnd < nLength)
    {
        m_nStart = m_nEnd + 1;
        bool bPlain = false;
        m_nEnd = FindSeparator(line.View(), m_specialBytes, m_nStart, &bPlain);
        // The whole segment is encoded before anything in it is examined. Most segments
        // are plain ASCII, their own encoding: those are read where they stand.
        CPaddedText segment = line.Sub(m_nStart, m_nEnd - m_nStart);
        if (!bPlain)
        {
            EncodeTextInto(segment, m_strWork);
            segment = m_strWork;
        }
        const char* pszSegment = segment.data();
        const int nSegment = segment.GetLength();
        if (nSegment < 6)
            continue;
        const Tag* pTag = FindTag(TagCode(pszSegment));
        if (!pTag)
            continue;
        const int nValue = ValueStart(pszSegment, nSegment);
        if (pTag->pMember)
            (this->*pTag->pMember).AssignPadded(segment.Sub(nValue, nSegment - nValue));
        else
        {
            m_nType = ReadNumber(pszSegment + nValue, pszSegment + nSegment);
            if (m_nType >= 1 && m_nType <= kLastType)
                m_strFileType = kTypeNames[m_nType];
        }
    }

    const unsigned nFull =
        plat::GetFullPathName(m_strFilePath, MAX_PATH, m_szFullPath, &m_pszFilePart);
    if (nFull >= 1 && nFull < MAX_PATH)
        m_strFilePath.Assign(m_szFullPath, static_cast<int>(nFull));
    EncodeText(m_strFilePath);
    if (m_pOptions)
        m_pOptions->pathMap.Apply(m_strFilePath); // a moved library, in every output

    if (m_strTitle.IsEmpty())
    {
        // The title comes from the entry's path alone: the text after its last '\' or
        // '/', up to its last '.' after that. Segment text never takes part.
        const UINT cp = plat::GetACP();
        const char* pszLine = line.data();
        const auto nPath = static_cast<size_t>(nPathLength);
        m_nStart = plat::LastSeparator(cp, std::string_view(pszLine, nPath),
                                       plat::CSeparators::slashAndBackslash);
        if (m_nStart >= 0)
        {
            ++m_nStart;
            m_nEnd = plat::MbReverseFind(cp, pszLine, nPath, '.');
            const int nTitleEnd = m_nEnd > m_nStart ? m_nEnd : nPathLength;
            m_strTitle.AssignPadded(line.Sub(m_nStart, nTitleEnd - m_nStart));
        }
        EncodeText(m_strTitle);
    }

    WriteTrack();
}
