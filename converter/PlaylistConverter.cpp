// Opening and closing a run, and the XML document's frame.
#include "PlaylistConverter.h"

#include "Folder.h"

namespace
{
const char kHeader[] = "#Sonquill playlist";
constexpr UINT kReadShared = CStdioFile::modeRead | CStdioFile::shareDenyNone;
} // namespace

bool PlaylistFolder(const CString& strPlaylistPath, CString& strFolder)
{
    // The Windows backslash can be a trail byte; a '/' never is.
    const int nSeparator = plat::kPathSeparator == '/'
                               ? plat::LastSlash(strPlaylistPath.View())
                               : strPlaylistPath.ReverseFind(plat::kPathSeparator);
    if (nSeparator < 0)
        return false;
    strFolder = strPlaylistPath.Left(nSeparator);
    if (strFolder.IsEmpty() || strFolder[strFolder.GetLength() - 1] == ':')
        strFolder += plat::kPathSeparator;
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

    m_fileIn.ReadString(m_strLine); // at the end the line is simply empty
    if (!(m_strLine == kHeader))
    {
        m_fileIn.Close();
        return refuse(CBeginRefusal::notAPlaylist, CFileException());
    }

    CString strFolder;
    if (PlaylistFolder(strPlaylistPath, strFolder))
        plat::SetCurrentDirectory(strFolder); // the outcome does not matter

    if (!m_fileOut.Open(strXmlPath, kCreateExclusive, &error))
    {
        m_fileIn.Close();
        return refuse(CBeginRefusal::xmlNotCreated, error);
    }
    WriteProlog(strXmlPath);
    return true;
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
    m_fileOut.WriteString("</PLAYLIST>\n");
    return true;
}

void CPlaylistConverter::EndConversion()
{
    WriteEpilog();
    m_fileOut.Close();
    if (m_tablePage.IsOpen())
        m_tablePage.WriteEnd();
    m_fileIn.Close();
}
