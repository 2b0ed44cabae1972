// The TRACK element of one playlist entry.
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
struct Child
{
    std::string_view open;  // "\t\t<TAG>"
    std::string_view close; // "</TAG>\n"
    CString CPlaylistConverter::*pValue;
};

// The children of TRACK, in the one order they are written in, with the text that
// AppendElement puts around each value.
const Child kChildren[] = {
    {"\t\t<FILEPATH>", "</FILEPATH>\n", &CPlaylistConverter::m_strFilePath},
    {"\t\t<FILESIZE>", "</FILESIZE>\n", &CPlaylistConverter::m_strFileSize},
    {"\t\t<FILETYPE>", "</FILETYPE>\n", &CPlaylistConverter::m_strFileType},
    {"\t\t<ARTIST>", "</ARTIST>\n", &CPlaylistConverter::m_strArtist},
    {"\t\t<TITLE>", "</TITLE>\n", &CPlaylistConverter::m_strTitle},
    {"\t\t<ALBUM>", "</ALBUM>\n", &CPlaylistConverter::m_strAlbum},
    {"\t\t<GENRE>", "</GENRE>\n", &CPlaylistConverter::m_strGenre},
    {"\t\t<YEAR>", "</YEAR>\n", &CPlaylistConverter::m_strYear},
    {"\t\t<TRACKNUM>", "</TRACKNUM>\n", &CPlaylistConverter::m_strTrackNum},
    {"\t\t<SAMPRATE>", "</SAMPRATE>\n", &CPlaylistConverter::m_strSampRate},
    {"\t\t<CHANNELS>", "</CHANNELS>\n", &CPlaylistConverter::m_strChannels},
    {"\t\t<BITRATE>", "</BITRATE>\n", &CPlaylistConverter::m_strBitrate},
    {"\t\t<DURATION>", "</DURATION>\n", &CPlaylistConverter::m_strDuration},
};
constexpr std::string_view kTrackOpen = "\t<TRACK>\n";
constexpr std::string_view kTrackClose = "\t</TRACK>\n";
} // namespace

void CPlaylistConverter::WriteTrack()
{
    // The text that "\t<TRACK>\n", AppendElement for each child and "\t</TRACK>\n" give,
    // made in one piece: the element is sized once, then each line is copied into place.
    // A track costs one allocation at most, and none once m_strWork has grown.
    size_t nLength = kTrackOpen.size() + kTrackClose.size();
    for (const Child& child : kChildren)
    {
        const size_t nValue = (this->*child.pValue).View().size();
        if (nValue)
            nLength += child.open.size() + nValue + child.close.size();
    }
    std::string& work = m_strWork.Str();
    work.resize(nLength);
    char* p = Put(work.data(), kTrackOpen.data(), kTrackOpen.size());
    for (const Child& child : kChildren)
    {
        const std::string_view value = (this->*child.pValue).View();
        if (value.empty())
            continue;
        p = Put(p, child.open.data(), child.open.size());
        p = Put(p, value.data(), value.size());
        p = Put(p, child.close.data(), child.close.size());
    }
    Put(p, kTrackClose.data(), kTrackClose.size());
    m_fileOut.WriteString(m_strWork); // one write per track
}
