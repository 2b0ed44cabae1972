// The main dialog in this process, built by the system from the templates linked into
// this test: what its window menu holds once it is set up, and its icons. (Wine gives no
// other process a window's system menu, and adds items of its own, so only the end is
// fixed.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConvertDlg.h"
#include "StringTable.h"
#include "resource.h"

namespace
{
struct MenuItem
{
    UINT nID;
    UINT nState;
    std::string text;
};

// Records the window menu as OnInitDialog leaves it, then ends before the dialog shows.
class CMenuProbeDlg : public CConvertDlg
{
public:
    std::vector<MenuItem> items;
    bool bHadMenu = false;
    LRESULT hBigIcon = 0;
    LRESULT hSmallIcon = 0;
    LRESULT hDragIcon = 0;
    HICON hProgramIcon = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL bResult = CConvertDlg::OnInitDialog();
        if (CMenu* pMenu = GetSystemMenu(FALSE))
        {
            bHadMenu = true;
            const int nCount = static_cast<int>(pMenu->GetMenuItemCount());
            for (int i = 0; i < nCount; ++i)
                items.push_back({pMenu->GetMenuItemID(i), pMenu->GetMenuState(i),
                                 std::string(pMenu->GetMenuString(i))});
        }
        // One icon serves as both window icons and the drag icon. (Wine answers these
        // only inside the window's own process.)
        hBigIcon = SendMessage(WM_GETICON, ICON_BIG, 0);
        hSmallIcon = SendMessage(WM_GETICON, ICON_SMALL, 0);
        hDragIcon = SendMessage(WM_QUERYDRAGICON, 0, 0);
        hProgramIcon = m_hIcon;
        EndDialog(IDCANCEL);
        return bResult;
    }
};

CWinApp g_app; // the icon is loaded through the application object
} // namespace

TEST(SystemMenu, EndsWithASeparatorAndTheAboutEntryAndTheIconIsSet)
{
    // The about entry's text comes from the string table linked into this program.
    EXPECT_EQ(plat::FindString(IDS_ABOUTBOX), "&About sqk2xml...");
    for (int nRun = 0; nRun < 2; ++nRun) // each dialog gets its own copy of the menu
    {
        SCOPED_TRACE(nRun);
        CMenuProbeDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        ASSERT_TRUE(dlg.bHadMenu);
        ASSERT_GE(dlg.items.size(), 3u);
        const MenuItem& about = dlg.items.back();
        const MenuItem& separator = dlg.items[dlg.items.size() - 2];
        EXPECT_EQ(about.nID, UINT(IDM_ABOUTBOX));
        EXPECT_EQ(about.text, "&About sqk2xml...");
        EXPECT_FALSE(about.nState & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
        EXPECT_TRUE(separator.nState & MF_SEPARATOR);
        // Above them, the system's own items: Close among them.
        bool bClose = false;
        for (size_t i = 0; i + 2 < dlg.items.size(); ++i)
        {
            bClose = bClose || dlg.items[i].nID == SC_CLOSE;
            EXPECT_NE(dlg.items[i].nID, UINT(IDM_ABOUTBOX));
        }
        EXPECT_TRUE(bClose);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_NE(dlg.hProgramIcon, nullptr);
        EXPECT_EQ(dlg.hBigIcon, reinterpret_cast<LRESULT>(dlg.hProgramIcon));
        EXPECT_EQ(dlg.hSmallIcon, dlg.hBigIcon);
        EXPECT_EQ(dlg.hDragIcon, dlg.hBigIcon);
    }
}
