// The TRACK element of one playlist entry.
#include <cstring>
#include <string_view>

#include "PlaylistConverter.h"

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
    auto put = [&p](const char* s, size_t n) {
        std::memcpy(p, s, n);
        p += n;
    };
    put("\t\t<", 3);
    put(tag.data(), tag.size());
    put(">", 1);
    put(value.data(), value.size());
    put("</", 2);
    put(tag.data(), tag.size());
    put(">\n", 2);
}

namespace
{
struct Child
{
    CString strTag; // made once: a tag is passed to AppendElement for every track
    CString CPlaylistConverter::*pValue;
};

// The children of TRACK, in the one order they are written in.
const Child kChildren[] = {
    {"FILEPATH", &CPlaylistConverter::m_strFilePath}, {"FILESIZE", &CPlaylistConverter::m_strFileSize},
    {"FILETYPE", &CPlaylistConverter::m_strFileType}, {"ARTIST", &CPlaylistConverter::m_strArtist},
    {"TITLE", &CPlaylistConverter::m_strTitle},       {"ALBUM", &CPlaylistConverter::m_strAlbum},
    {"GENRE", &CPlaylistConverter::m_strGenre},       {"YEAR", &CPlaylistConverter::m_strYear},
    {"TRACKNUM", &CPlaylistConverter::m_strTrackNum}, {"SAMPRATE", &CPlaylistConverter::m_strSampRate},
    {"CHANNELS", &CPlaylistConverter::m_strChannels}, {"BITRATE", &CPlaylistConverter::m_strBitrate},
    {"DURATION", &CPlaylistConverter::m_strDuration},
};
} // namespace

void CPlaylistConverter::WriteTrack()
{
    m_strWork = std::string_view("\t<TRACK>\n");
    // Room for the whole element at once: growing by doubling would need twice the memory
    // of a very long value.
    size_t nNeeded = m_strWork.View().size() + sizeof "\t</TRACK>\n";
    for (const Child& child : kChildren)
        nNeeded += (this->*child.pValue).View().size() + 2 * child.strTag.View().size() + 8;
    m_strWork.Str().reserve(nNeeded);

    for (const Child& child : kChildren)
        AppendElement(m_strWork, child.strTag, this->*child.pValue);
    m_strWork.Append("\t</TRACK>\n", 10);
    m_fileOut.WriteString(m_strWork); // one write per track
}
