// The XSPF export: the standard XML playlist, version 1. Each TRACK gives a track with its
// location, title, creator, album, track number and duration, in the order XSPF defines;
// the fields XSPF has no element for stay in the XML document and the CSV.
#include <string_view>

#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"

namespace
{
class CXspfExport final : public CExportFile
{
public:
    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        using namespace std::string_view_literals;
        strText += "    <track>\r\n      <location>"sv;
        exporttext::AppendFileUri(entry.m_strFilePath.View(), strText);
        strText += "</location>\r\n"sv;
        // The values are the XML document's, escaped for XML already.
        AppendElement("      <title>"sv, entry.m_strTitle.View(), "</title>\r\n"sv, strText);
        AppendElement("      <creator>"sv, entry.m_strArtist.View(), "</creator>\r\n"sv, strText);
        AppendElement("      <album>"sv, entry.m_strAlbum.View(), "</album>\r\n"sv, strText);
        AppendElement("      <trackNum>"sv, exporttext::NonNegativeInteger(entry.m_strTrackNum.View()),
                      "</trackNum>\r\n"sv, strText);
        const std::string_view seconds = exporttext::NonNegativeInteger(entry.m_strDuration.View());
        if (!seconds.empty())
        {
            strText += "      <duration>"sv;
            strText += seconds;
            if (seconds != "0")
                strText += "000"sv; // milliseconds
            strText += "</duration>\r\n"sv;
        }
        strText += "    </track>\r\n"sv;
    }

private:
    // Each element's tags are one piece of text: a track is written a few appends at a time.
    static void AppendElement(std::string_view open, std::string_view value, std::string_view close,
                              CString& strText)
    {
        if (value.empty())
            return;
        strText += open;
        strText += value;
        strText += close;
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
