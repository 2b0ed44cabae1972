#include "ExportFile.h"

#include "PlaylistConverter.h"
#include "Tuning.h"

std::unique_ptr<CExportFile> CreateXspfExport();
std::unique_ptr<CExportFile> CreateM3u8Export();
std::unique_ptr<CExportFile> CreateCsvExport();

std::span<const CExportFormat> ExportFormats()
{
    static constexpr CExportFormat kExportFormats[] = {
        {"xspf", ".xspf", &CreateXspfExport},
        {"m3u8", ".m3u8", &CreateM3u8Export},
        {"csv", ".csv", &CreateCsvExport},
    };
    return kExportFormats;
}

const CExportFormat* FindExportFormat(std::string_view name)
{
    for (const CExportFormat& format : ExportFormats())
        if (name == format.pszName)
            return &format;
    return nullptr;
}

bool CExportFile::Begin(const CString& strPath, const CString& strTitle)
{
    m_strPath = strPath;
    m_file.SetBufferSize(plat::tuning::kExportFileBufferBytes);
    if (!m_file.Open(strPath, CPlaylistConverter::kCreateExclusive, &m_error))
    {
        m_bFailed = true;
        return false;
    }
    CString strHead;
    AppendHead(strTitle, strHead);
    Write(strHead.View());
    return !m_bFailed;
}

template <typename F>
void CExportFile::Guarded(F write)
{
    if (m_bFailed)
        return;
    try
    {
        write();
    }
    catch (const CFileException& e)
    {
        // Nothing more is written to it. It stays open until Close, while the lanes
        // may still run its waiting writes.
        m_bFailed = true;
        m_error = e;
    }
}

void CExportFile::WriteEntries(CString& strText, std::span<const int>)
{
    // A batch's text goes to the disk from where it was made, as the document's does.
    Guarded([&] { m_file.HandOverCrLfText(strText); });
}

void CExportFile::WriteEntry(const CPlaylistConverter& entry, CString& strScratch)
{
    // An entry's text is short and its scratch is made again at once: it is copied.
    strScratch.Empty();
    AppendEntry(entry, strScratch);
    Write(strScratch.View());
}

void CExportFile::WriteEnd()
{
    CString strTail;
    AppendTail(strTail);
    Write(strTail.View());
    if (!m_bFailed)
        m_file.StartClosing();
}

void CExportFile::Close()
{
    if (m_bFailed)
    {
        // Closed as it stands; its later errors are passed over: the first is reported.
        try
        {
            m_file.Close();
        }
        catch (const CFileException&)
        {
        }
        return;
    }
    Guarded([&] { m_file.Close(); });
}

void CExportFile::Write(std::string_view text)
{
    Guarded([&] { m_file.WriteCrLfText(text.data(), text.size()); });
}
