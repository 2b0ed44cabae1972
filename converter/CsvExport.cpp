// The CSV export (RFC 4180), for a spreadsheet or a backup: a header row with the TRACK
// element names, then a row per track with every value. UTF-8 with a byte-order mark, by
// which spreadsheet programs know it is UTF-8.
#include "ExportFile.h"
#include "ExportText.h"
#include "PlaylistConverter.h"
#include "TrackFields.h"
#include "Tuning.h"

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
    int RoomPerInputByte() const override { return plat::tuning::kCsvBytesPerInputByte; }

    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override
    {
        size_t nRoom = 2; // the CR LF; each field has its comma's byte
        ForEachValue(entry, [&](const CString& value) {
            nRoom += 1 + exporttext::CsvFieldRoom(value.View().size());
        });
        exporttext::AppendInPlace(strText, nRoom, [&](char* p) {
            bool bFirst = true;
            ForEachValue(entry, [&](const CString& value) {
                if (!bFirst)
                    *p++ = ',';
                bFirst = false;
                p = exporttext::PutCsvField(value, p);
            });
            return exporttext::PutText("\r\n", p);
        });
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
