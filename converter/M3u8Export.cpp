// The M3U8 export: the playlist format every player reads, in UTF-8 (plain M3U would lose
// the letters outside one code page). Per track, an #EXTINF line with the duration and
// "ARTIST - TITLE", then the track's path. A line break in a value becomes a space: no value
// may begin a line of its own, which a player would read as a track or a directive.
#include <algorithm>
#include <string_view>

#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"
#include "Tuning.h"

namespace
{
class CM3u8Export final : public CExportFile
{
public:
    int RoomPerInputByte() const override { return plat::tuning::kM3u8BytesPerInputByte; }

    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        using exporttext::PutText;
        using exporttext::PutUnescapedOnOneLine;
        using exporttext::UnescapedRoom;
        const std::string_view seconds =
            exporttext::NonNegativeInteger(entry.m_strDuration.View());
        const size_t nRoom = std::string_view("#EXTINF:,").size() + std::max<size_t>(seconds.size(), 2) +
                             UnescapedRoom(entry.m_strArtist.View().size()) + std::string_view(" - ").size() +
                             UnescapedRoom(entry.m_strTitle.View().size()) +
                             UnescapedRoom(entry.m_strFilePath.View().size()) + 6;
        exporttext::AppendInPlace(strText, nRoom, [&](char* p) {
            p = PutText("#EXTINF:", p);
            p = PutText(seconds.empty() ? std::string_view("-1") : seconds, p);
            *p++ = ',';
            p = PutUnescapedOnOneLine(entry.m_strArtist, p);
            if (!entry.m_strArtist.IsEmpty() && !entry.m_strTitle.IsEmpty())
                p = PutText(" - ", p);
            p = PutUnescapedOnOneLine(entry.m_strTitle, p);
            p = PutText("\r\n", p);
            // A path that could not be made full stays relative: beginning with '#' it
            // would be read as a directive, and behind "./" it is the same file.
            if (entry.m_strFilePath.View().starts_with('#'))
                p = PutText("./", p);
            p = PutUnescapedOnOneLine(entry.m_strFilePath, p);
            return PutText("\r\n", p);
        });
    }

private:
    void AppendHead(const CString&, CString& strOut) const override { strOut += "#EXTM3U\r\n"; }
};
} // namespace

std::unique_ptr<CExportFile> CreateM3u8Export()
{
    return std::make_unique<CM3u8Export>();
}
