// Files dropped on the main dialog, in this process: a WM_DROPFILES built here as the
// shell builds one (wide names in global memory) and sent through the system to the
// dialog that the system built from the templates linked into this test.
#include "Win32.h"

#include <shlobj.h> // DROPFILES

#include "Win32Ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConvertDlg.h"
#include "resource.h"

namespace
{
// The shell's form of a drop: a DROPFILES header, then the names, each ended by a zero,
// and one more zero after the last.
HDROP MakeDrop(const std::vector<std::wstring>& files)
{
    size_t nChars = 1;
    for (const std::wstring& file : files)
        nChars += file.size() + 1;
    HGLOBAL hMem = ::GlobalAlloc(GHND, sizeof(DROPFILES) + nChars * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hMem));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    auto* pName = reinterpret_cast<wchar_t*>(pDrop + 1);
    for (const std::wstring& file : files)
    {
        file.copy(pName, file.size());
        pName += file.size() + 1;
    }
    ::GlobalUnlock(hMem);
    return static_cast<HDROP>(hMem);
}

// Drops the files on itself once it is set up, records the path field, and ends.
class CDropProbeDlg : public CConvertDlg
{
public:
    std::vector<std::wstring> files;
    bool bAcceptsFiles = false;
    std::wstring fieldWide;
    std::string fieldAnsi;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL bResult = CConvertDlg::OnInitDialog();
        bAcceptsFiles = (::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
        SetDlgItemText(IDC_PLAYLIST_PATH, "kept");
        // The receiver releases the drop (DragFinish), as it does one from the shell.
        ::SendMessageW(m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
        wchar_t szText[1024] = L"";
        ::GetDlgItemTextW(m_hWnd, IDC_PLAYLIST_PATH, szText, 1024);
        fieldWide = szText;
        CString strText;
        GetDlgItemText(IDC_PLAYLIST_PATH, strText);
        fieldAnsi.assign(strText.GetData(), static_cast<size_t>(strText.GetLength()));
        EndDialog(IDCANCEL);
        return bResult;
    }
};

CWinApp g_app; // the icon is loaded through the application object
} // namespace

TEST(DropFiles, TheFirstDroppedFileFillsThePathField)
{
    struct Case
    {
        const char* what;
        std::vector<std::wstring> files;
        std::wstring fieldWide;
        std::string fieldAnsi; // in the test's code page, 1252
    };
    const Case cases[] = {
        {"one file", {L"C:\\Music\\Party.sqk"}, L"C:\\Music\\Party.sqk", "C:\\Music\\Party.sqk"},
        {"a name in the code page", {L"C:\\Music\\Caf\u00e9.sqk"}, L"C:\\Music\\Caf\u00e9.sqk",
         "C:\\Music\\Caf\xe9.sqk"},
        {"several files: the first",
         {L"C:\\Music\\One.sqk", L"C:\\Music\\Two.sqk", L"C:\\Music\\Three.sqk"},
         L"C:\\Music\\One.sqk", "C:\\Music\\One.sqk"},
        // The field's text is ANSI inside the program, as a typed or browsed name is.
        {"a name outside the code page", {L"C:\\\u041c\u0443\u0437\u044b\u043a\u0430\\a.sqk"},
         L"C:\\??????\\a.sqk", "C:\\??????\\a.sqk"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CDropProbeDlg dlg;
        dlg.files = c.files;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(dlg.bAcceptsFiles);
        EXPECT_EQ(dlg.fieldWide, c.fieldWide);
        EXPECT_EQ(dlg.fieldAnsi, c.fieldAnsi);
    }
}
