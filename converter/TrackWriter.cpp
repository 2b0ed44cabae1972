// The TRACK element of one playlist entry.
#include <cstring>
#include <string_view>

#include "ByteCopy.h"
#include "PlaylistConverter.h"

using bytecopy::Put;

void CPlaylistConverter::AppendElement(CString& strTarget, CString strTag, const CString& strValue)
{
    if (strValue.IsEmpty())
        return;
    // "\t\t<" tag ">" value "</" tag ">\n", copied into place in one step.
    std::string& target = strTarget.Str();
    const std::string_view tag = strTag.View(), value = strValue.View();
    const size_t nOld = target.size();
    target.resize(nOld + 2 * tag.size() + value.size() + 8);
    char* p = target.data() + nOld;
    p = Put(p, "\t\t<", 3);
    p = Put(p, tag.data(), tag.size());
    p = Put(p, ">", 1);
    p = Put(p, value.data(), value.size());
    p = Put(p, "</", 2);
    p = Put(p, tag.data(), tag.size());
    Put(p, ">\n", 2);
}

namespace
{
// Calls f(open, value, close) for each child of TRACK, in the one order they are written
// in, with the text that AppendElement puts around each value. The tags are arrays, so
// their lengths are known where they are copied.
template <typename Converter, typename F>
void ForEachChild(Converter& c, F f)
{
    f("\t\t<FILEPATH>", c.m_strFilePath, "</FILEPATH>\n");
    f("\t\t<FILESIZE>", c.m_strFileSize, "</FILESIZE>\n");
    f("\t\t<FILETYPE>", c.m_strFileType, "</FILETYPE>\n");
    f("\t\t<ARTIST>", c.m_strArtist, "</ARTIST>\n");
    f("\t\t<TITLE>", c.m_strTitle, "</TITLE>\n");
    f("\t\t<ALBUM>", c.m_strAlbum, "</ALBUM>\n");
    f("\t\t<GENRE>", c.m_strGenre, "</GENRE>\n");
    f("\t\t<YEAR>", c.m_strYear, "</YEAR>\n");
    f("\t\t<TRACKNUM>", c.m_strTrackNum, "</TRACKNUM>\n");
    f("\t\t<SAMPRATE>", c.m_strSampRate, "</SAMPRATE>\n");
    f("\t\t<CHANNELS>", c.m_strChannels, "</CHANNELS>\n");
    f("\t\t<BITRATE>", c.m_strBitrate, "</BITRATE>\n");
    f("\t\t<DURATION>", c.m_strDuration, "</DURATION>\n");
}

// Copies a text literal without its terminating zero; the length is a constant, so the
// copy compiles to a move or two.
template <size_t N>
char* PutLiteral(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}
} // namespace

void CPlaylistConverter::WriteTrack()
{
    // The text that "\t<TRACK>\n", AppendElement for each child and "\t</TRACK>\n" give,
    // made in one piece: the element is sized once, then each line is copied into place.
    // A track costs one allocation at most, and none once m_strWork has grown.
    static constexpr char kTrackOpen[] = "\t<TRACK>\n";
    static constexpr char kTrackClose[] = "\t</TRACK>\n";
    size_t nLength = sizeof kTrackOpen - 1 + sizeof kTrackClose - 1;
    ForEachChild(*this, [&](const auto& open, const CString& value, const auto& close) {
        if (!value.IsEmpty())
            nLength += sizeof open - 1 + static_cast<size_t>(value.GetLength()) + sizeof close - 1;
    });
    std::string& work = m_strWork.Str();
    work.resize(nLength);
    char* p = PutLiteral(work.data(), kTrackOpen);
    ForEachChild(*this, [&](const auto& open, const CString& value, const auto& close) {
        if (value.IsEmpty())
            return;
        p = PutLiteral(p, open);
        p = Put(p, value.GetData(), static_cast<size_t>(value.GetLength()));
        p = PutLiteral(p, close);
    });
    PutLiteral(p, kTrackClose);
    m_fileOut.WriteString(m_strWork); // one write per track
}
