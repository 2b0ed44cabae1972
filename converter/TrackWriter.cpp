// The TRACK element of one playlist entry.
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

void CPlaylistConverter::WriteTrack()
{
    m_strWork = "\t<TRACK>\n";
    // Room for the whole element at once: growing by doubling would need twice the memory
    // of a very long value.
    size_t nNeeded = m_strWork.View().size() + sizeof "\t</TRACK>\n";
    for (const CString* pValue :
         {&m_strFilePath, &m_strFileSize, &m_strFileType, &m_strArtist, &m_strTitle, &m_strAlbum,
          &m_strGenre, &m_strYear, &m_strTrackNum, &m_strSampRate, &m_strChannels, &m_strBitrate,
          &m_strDuration})
        nNeeded += pValue->View().size() + 2 * sizeof "TRACKNUM" + 5;
    m_strWork.Str().reserve(nNeeded);
    AppendElement(m_strWork, "FILEPATH", m_strFilePath);
    AppendElement(m_strWork, "FILESIZE", m_strFileSize);
    AppendElement(m_strWork, "FILETYPE", m_strFileType);
    AppendElement(m_strWork, "ARTIST", m_strArtist);
    AppendElement(m_strWork, "TITLE", m_strTitle);
    AppendElement(m_strWork, "ALBUM", m_strAlbum);
    AppendElement(m_strWork, "GENRE", m_strGenre);
    AppendElement(m_strWork, "YEAR", m_strYear);
    AppendElement(m_strWork, "TRACKNUM", m_strTrackNum);
    AppendElement(m_strWork, "SAMPRATE", m_strSampRate);
    AppendElement(m_strWork, "CHANNELS", m_strChannels);
    AppendElement(m_strWork, "BITRATE", m_strBitrate);
    AppendElement(m_strWork, "DURATION", m_strDuration);
    m_strWork += "\t</TRACK>\n";
    m_fileOut.WriteString(m_strWork); // one write per track
}
