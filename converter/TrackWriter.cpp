// The TRACK element of one playlist entry.
#include <cstring>

#include "PlaylistConverter.h"

void CPlaylistConverter::AppendElement(CString& strTarget, CString strTag, const CString& strValue)
{
    if (strValue.IsEmpty())
        return;
    strTarget += "\t\t<";
    strTarget += strTag;
    strTarget += '>';
    strTarget += strValue;
    strTarget += "</";
    strTarget += strTag;
    strTarget += ">\n";
}

namespace
{
struct Child
{
    const char* pszTag;
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
    m_strWork = "\t<TRACK>\n";
    // Room for the whole element at once: growing by doubling would need twice the memory
    // of a very long value.
    size_t nNeeded = m_strWork.View().size() + sizeof "\t</TRACK>\n";
    for (const Child& child : kChildren)
        nNeeded += (this->*child.pValue).View().size() + 2 * std::strlen(child.pszTag) + 7;
    m_strWork.Str().reserve(nNeeded);

    for (const Child& child : kChildren)
        AppendElement(m_strWork, child.pszTag, this->*child.pValue);
    m_strWork += "\t</TRACK>\n";
    m_fileOut.WriteString(m_strWork); // one write per track
}
