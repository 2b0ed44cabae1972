// The XSPF export: the standard XML playlist, version 1. Each TRACK gives a track with its
// location, title, creator, album, track number and duration, in the order XSPF defines;
// the fields XSPF has no element for stay in the XML document and the CSV.
#include <string_view>

#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"
#include "Tuning.h"

namespace
{
class CXspfExport final : public CExportFile
{
public:
    int RoomPerInputByte() const override { return plat::tuning::kXspfBytesPerInputByte; }

    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        using exporttext::PutText;
        const std::string_view trackNum = exporttext::NonNegativeInteger(entry.m_strTrackNum.View());
        const std::string_view seconds = exporttext::NonNegativeInteger(entry.m_strDuration.View());
        const size_t nRoom = kElementsRoom + exporttext::FileUriRoom(entry.m_strFilePath.View().size()) +
                             entry.m_strTitle.View().size() + entry.m_strArtist.View().size() +
                             entry.m_strAlbum.View().size() + trackNum.size() + seconds.size() + 3;
        exporttext::AppendInPlace(strText, nRoom, [&](char* p) {
            p = PutText("    <track>\r\n      <location>", p);
            p = exporttext::PutFileUri(entry.m_strFilePath, p);
            p = PutText("</location>\r\n", p);
            // The values are the XML document's, escaped for XML already.
            p = PutElement("      <title>", entry.m_strTitle.View(), "</title>\r\n", p);
            p = PutElement("      <creator>", entry.m_strArtist.View(), "</creator>\r\n", p);
            p = PutElement("      <album>", entry.m_strAlbum.View(), "</album>\r\n", p);
            p = PutElement("      <trackNum>", trackNum, "</trackNum>\r\n", p);
            if (!seconds.empty())
            {
                p = PutText("      <duration>", p);
                p = PutText(seconds, p);
                if (seconds != "0")
                    p = PutText("000", p); // milliseconds
                p = PutText("</duration>\r\n", p);
            }
            return PutText("    </track>\r\n", p);
        });
    }

private:
    // The track's and its elements' tags, all of them: a track is sized once, and written
    // a few copies at a time.
    static constexpr size_t kElementsRoom =
        std::string_view("    <track>\r\n      <location></location>\r\n"
                         "      <title></title>\r\n      <creator></creator>\r\n"
                         "      <album></album>\r\n      <trackNum></trackNum>\r\n"
                         "      <duration></duration>\r\n    </track>\r\n").size();

    static char* PutElement(std::string_view open, std::string_view value, std::string_view close, char* p)
    {
        if (value.empty())
            return p;
        p = exporttext::PutText(open, p);
        p = exporttext::PutText(value, p);
        return exporttext::PutText(close, p);
    }

    void AppendHead(const CString& strTitle, CString& strOut) const override
    {
        strOut += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                  "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\r\n";
        if (!strTitle.IsEmpty())
        {
            strOut += "  <title>";
            strOut += strTitle;
            strOut += "</title>\r\n";
        }
        strOut += "  <trackList>\r\n";
    }

    void AppendTail(CString& strOut) const override { strOut += "  </trackList>\r\n</playlist>\r\n"; }
};
} // namespace

std::unique_ptr<CExportFile> CreateXspfExport()
{
    return std::make_unique<CXspfExport>();
}
