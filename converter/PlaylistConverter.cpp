// Opening and closing a run, and the XML document's frame.
#include "PlaylistConverter.h"

#include "CodePage.h"
#include "Folder.h"

namespace
{
const char kHeader[] = "#Sonquill playlist";
// A first line longer than the header and the CR of a CR LF can never match: reading more
// of it would only wait on an endless device or fill memory with a large file picked by
// mistake.
constexpr size_t kHeaderLineMax = sizeof kHeader; // the header's 18 bytes and a CR
constexpr UINT kReadShared = CStdioFile::modeRead | CStdioFile::shareDenyNone;
} // namespace

bool PlaylistFolder(const CString& strPlaylistPath, CString& strFolder)
{
    // The folder is handed to the system, so its own separators split the path.
    const std::string_view path = strPlaylistPath.View();
    const int nSeparator = plat::LastSeparator(plat::GetACP(), path, plat::kSystemSeparators);
    if (nSeparator < 0)
        return false;
    strFolder = strPlaylistPath.Left(nSeparator);
    if (strFolder.IsEmpty() || strFolder[strFolder.GetLength() - 1] == ':')
        strFolder += path[nSeparator]; // the root itself, not the drive's current folder
    return true;
}

bool CPlaylistConverter::BeginConversion(CString strPlaylistPath, CString strXmlPath,
                                         CBeginRefusal* pRefusal)
{
    auto refuse = [pRefusal](CBeginRefusal::Step step, const CFileException& error) {
        if (pRefusal)
        {
            pRefusal->step = step;
            pRefusal->error = error;
        }
        return false;
    };

    CFileException error;
    if (!m_fileIn.Open(strPlaylistPath, kReadShared, &error))
        return refuse(CBeginRefusal::playlistNotOpened, error);

    m_fileIn.ReadString(m_strLine, kHeaderLineMax); // at the end the line is simply empty
    if (!(m_strLine == kHeader))
    {
        m_fileIn.Close();
        return refuse(CBeginRefusal::notAPlaylist, CFileException());
    }

    // The header is through: the rest will be read, while the document and its page are
    // made.
    m_bLongPlaylist = m_fileIn.ReadAhead();

    CString strFolder;
    if (PlaylistFolder(strPlaylistPath, strFolder))
        plat::SetCurrentDirectory(strFolder); // the outcome does not matter

    if (!m_fileOut.Open(strXmlPath, kCreateExclusive, &error))
    {
        m_fileIn.Close();
        return refuse(CBeginRefusal::xmlNotCreated, error);
    }
    WriteProlog(strXmlPath);
    OpenOtherOutputs(strXmlPath);
    return true;
}

void CPlaylistConverter::OpenOtherOutputs(const CString& strXmlPath)
{
    m_outputs = {&m_trackOutput};
    if (m_tablePage.IsOpen())
        m_outputs.push_back(&m_tablePage);
    if (!m_pOptions)
        return;
    // Each export is named like the XML document; its title is the playlist's name
    // without its extension, which is what the document's name is made of.
    const CString strStem = strXmlPath.Left(strXmlPath.ReverseFind('.'));
    const CString strXmlName = strStem.Mid(
        plat::LastSeparator(plat::GetACP(), strStem.View(), plat::kSystemSeparators) + 1);
    CString strTitle = strXmlName;
    EncodeText(strTitle);
    for (const CExportFormat* pFormat : m_pOptions->exports)
    {
        auto pExport = pFormat->pfnCreate();
        if (pExport->Begin(strStem + pFormat->pszExtension, strTitle))
            m_outputs.push_back(pExport.get());
        m_exports.push_back(std::move(pExport));
    }
    if (m_pOptions->reportMissing)
    {
        m_pMissingTracks = std::make_unique<CMissingTracks>(m_pOptions->reportMissing);
        m_outputs.push_back(m_pMissingTracks.get());
    }
}

bool CPlaylistConverter::WriteProlog(const CString& strXmlPath)
{
    m_fileOut.WriteString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    m_fileOut.WriteString("<PLAYLIST>\n");
    WriteViewerPage(strXmlPath);
    return true;
}

bool CPlaylistConverter::WriteEpilog()
{
    m_trackOutput.WriteEnd(); // "</PLAYLIST>\n"
    return true;
}

void CPlaylistConverter::EndConversion()
{
    // Every file's last write goes to its thread before any file is waited for: the
    // files finish side by side, not one after another.
    WriteEpilog();
    m_fileOut.StartClosing();
    for (CEntryOutput* pOutput : m_outputs)
        if (pOutput != &m_trackOutput)
            pOutput->WriteEnd();
    m_fileOut.Close();
    for (CEntryOutput* pOutput : m_outputs)
        pOutput->Close();
    m_fileIn.Close();
}
