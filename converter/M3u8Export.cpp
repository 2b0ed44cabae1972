// The M3U8 export: the playlist format every player reads, in UTF-8 (plain M3U would lose
// the letters outside one code page). Per track, an #EXTINF line with the duration and
// "ARTIST - TITLE", then the track's path.
#include <algorithm>

#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"

namespace
{
class CM3u8Export final : public CExportFile
{
public:
    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        const std::string_view seconds =
            exporttext::NonNegativeInteger(entry.m_strDuration.View());
        strText += "#EXTINF:";
        strText += seconds.empty() ? std::string_view("-1") : seconds;
        strText += ",";
        AppendOnOneLine(entry.m_strArtist, strText);
        if (!entry.m_strArtist.IsEmpty() && !entry.m_strTitle.IsEmpty())
            strText += " - ";
        AppendOnOneLine(entry.m_strTitle, strText);
        strText += "\r\n";
        AppendOnOneLine(entry.m_strFilePath, strText);
        strText += "\r\n";
    }

private:
    // The value as plain UTF-8, a line break in it made a space: no value may begin a
    // line of its own, which a player would read as a track or a directive.
    static void AppendOnOneLine(const CString& strValue, CString& strText)
    {
        const int nStart = strText.GetLength();
        exporttext::AppendUnescaped(strValue.View(), strText);
        // A line holds no LF, and a CR is rare: most values need no pass of their own.
        if (strValue.View().find('\r') == std::string_view::npos)
            return;
        const int nEnd = strText.GetLength();
        char* p = strText.GetBufferSetLength(nEnd);
        std::replace_if(p + nStart, p + nEnd, [](char ch) { return ch == '\r' || ch == '\n'; }, ' ');
    }

    void AppendHead(const CString&, CString& strOut) const override { strOut += "#EXTM3U\r\n"; }
};
} // namespace

std::unique_ptr<CExportFile> CreateM3u8Export()
{
    return std::make_unique<CM3u8Export>();
}
