// The XSPF export: the standard XML playlist, version 1. Each TRACK gives a track with its
// location, title, creator, album, track number and duration, in the order XSPF defines;
// the fields XSPF has no element for stay in the XML document and the CSV.
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
        strText += "    <track>\r\n      <location>";
        exporttext::AppendFileUri(entry.m_strFilePath.View(), strText);
        strText += "</location>\r\n";
        // The values are the XML document's, escaped for XML already.
        AppendElement("title", entry.m_strTitle.View(), strText);
        AppendElement("creator", entry.m_strArtist.View(), strText);
        AppendElement("album", entry.m_strAlbum.View(), strText);
        AppendElement("trackNum", exporttext::NonNegativeInteger(entry.m_strTrackNum.View()),
                      strText);
        const std::string_view seconds = exporttext::NonNegativeInteger(entry.m_strDuration.View());
        if (!seconds.empty())
        {
            strText += "      <duration>";
            strText += seconds;
            if (seconds != "0")
                strText += "000"; // milliseconds
            strText += "</duration>\r\n";
        }
        strText += "    </track>\r\n";
    }

private:
    static void AppendElement(std::string_view tag, std::string_view value, CString& strText)
    {
        if (value.empty())
            return;
        strText += "      <";
        strText += tag;
        strText += ">";
        strText += value;
        strText += "</";
        strText += tag;
        strText += ">\r\n";
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
