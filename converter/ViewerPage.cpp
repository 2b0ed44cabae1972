// The viewer page: an HTML page beside the XML document that shows it as a table.
#include "CodePage.h"
#include "Folder.h"
#include "PlaylistConverter.h"
#include "resource.h"

namespace
{
// The name goes into a double-quoted attribute. A POSIX file name may hold '"', '<' or
// '>', which would end the attribute or open markup; '&' stays as it is.
void AppendAttributeSafe(CString& strTarget, const char* pszName, int nLength)
{
    for (int i = 0; i < nLength; ++i)
    {
        switch (pszName[i])
        {
        case '"':
            strTarget += "&quot;";
            break;
        case '<':
            strTarget += "&lt;";
            break;
        case '>':
            strTarget += "&gt;";
            break;
        default:
            strTarget += pszName[i];
        }
    }
}
} // namespace

bool CPlaylistConverter::FindXmlFileName(const CString& strXmlPath, CString& strName)
{
    const unsigned nLength =
        plat::GetFullPathName(strXmlPath, MAX_PATH, m_szFullPath, &m_pszFilePart);
    if (nLength == 0)
        return false;
    if (nLength < MAX_PATH && m_pszFilePart)
    {
        strName.Assign(m_pszFilePart, static_cast<int>(m_szFullPath + nLength - m_pszFilePart));
        return true;
    }
    // The full path does not fit the buffer; the XML path's own final component names the
    // same file, since the XML document was created from that path.
    const int nFile = plat::FinalComponentStart(plat::GetACP(), strXmlPath);
    strName = strXmlPath.Mid(nFile < 0 ? strXmlPath.GetLength() : nFile);
    return true;
}

bool CPlaylistConverter::WriteViewerPage(const CString& strXmlPath)
{
    m_strPagePath.Empty();
    if (m_nPageStyle == CPageStyle::none)
        return false;
    m_nStart = strXmlPath.ReverseFind('.');
    m_strPagePath = strXmlPath.Left(m_nStart) + ".htm";
    if (m_nPageStyle == CPageStyle::table)
        return OpenTablePage(strXmlPath);

    CStdioFile filePage;
    if (!filePage.Open(m_strPagePath, kCreateExclusive))
    {
        m_strPagePath.Empty();
        return false;
    }

    m_strWork.LoadString(IDS_PAGE_HEAD);
    CString strName;
    if (!FindXmlFileName(strXmlPath, strName))
    {
        m_strPagePath.Empty(); // the empty page stays on disk
    }
    else
    {
        AppendAttributeSafe(m_strWork, strName, strName.GetLength());
        m_strLine.LoadString(IDS_PAGE_TABLE);
        m_strWork += m_strLine;
        m_strLine.LoadString(IDS_PAGE_ROW);
        m_strWork += m_strLine;
        filePage.WriteString(m_strWork);
    }
    filePage.Close();
    return true;
}

bool CPlaylistConverter::OpenTablePage(const CString& strXmlPath)
{
    if (!m_tablePage.Open(m_strPagePath))
    {
        m_strPagePath.Empty();
        return false;
    }
    CString strTitle;
    if (!FindXmlFileName(strXmlPath, strTitle))
    {
        m_strPagePath.Empty(); // as with the classic page, the empty page stays on disk
        m_tablePage.Close();
        return true;
    }
    // The name is converted as every value is, and its quotes escaped as well. The text
    // is UTF-8 now, so it is read byte by byte, not by the code page's characters.
    EncodeText(strTitle);
    CString strSafe;
    for (const char ch : strTitle.View())
    {
        if (ch == '"')
            strSafe += "&quot;";
        else
            strSafe += ch;
    }
    m_tablePage.WriteHead(strSafe);
    return true;
}
