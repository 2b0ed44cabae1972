// The CSV export (RFC 4180), for a spreadsheet or a backup: a header row with the TRACK
// element names, then a row per track with every value. UTF-8 with a byte-order mark, by
// which spreadsheet programs know it is UTF-8.
#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"
#include "TrackFields.h"

namespace
{
// Calls f(value) for the thirteen values of an entry, in TRACK's order.
template <typename F>
void ForEachValue(const CPlaylistConverter& entry, F f)
{
    f(entry.m_strFilePath);
    for (const CTrackField& field : kTrackFields)
        f(entry.*field.pMember);
}

class CCsvExport final : public CExportFile
{
public:
    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        bool bFirst = true;
        ForEachValue(entry, [&](const CString& value) {
            if (!bFirst)
                strText += ',';
            bFirst = false;
            exporttext::AppendCsvField(value.View(), strText);
        });
        strText += "\r\n";
    }

private:
    void AppendHead(const CString&, CString& strOut) const override
    {
        strOut += "\xEF\xBB\xBF" "FILEPATH";
        for (const CTrackField& field : kTrackFields)
        {
            strOut += ',';
            strOut += field.pszElement;
        }
        strOut += "\r\n";
    }
};
} // namespace

std::unique_ptr<CExportFile> CreateCsvExport()
{
    return std::make_unique<CCsvExport>();
}
