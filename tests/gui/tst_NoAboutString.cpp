// The main dialog when the string table has no text for the about entry.
//
// This program links its own string table in place of the program's (the platform
// library's table is only pulled in when nothing else defines plat::FindString), so the
// about entry's string is missing here.
#include <QTest>

#include "ConvertApp.h"
#include "ConvertDlg.h"
#include "GuiTestSupport.h"
#include "StringTable.h"
#include "resource.h"

namespace plat
{
std::string_view FindString(UINT)
{
    return {};
}
} // namespace plat

namespace
{
CConvertApp s_app;
} // namespace

class tst_NoAboutString : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { plat::qt::ConfigureApplication(); }
    void windowMenuHasNeitherSeparatorNorAboutEntry();
};

void tst_NoAboutString::windowMenuHasNeitherSeparatorNorAboutEntry()
{
    CConvertDlg dlg;
    guitest::RunModal(dlg, [&](QDialog* pDialog) {
        CMenu* pMenu = dlg.GetSystemMenu(FALSE);
        QVERIFY(pMenu);
        const int nCount = static_cast<int>(pMenu->GetMenuItemCount());
        QVERIFY(nCount >= 1);
        for (int i = 0; i < nCount; ++i)
        {
            QVERIFY(!(pMenu->GetMenuState(i) & MF_SEPARATOR));
            QVERIFY(pMenu->GetMenuItemID(i) != UINT(IDM_ABOUTBOX));
        }
        QCOMPARE(pMenu->GetMenuItemID(nCount - 1), UINT(SC_CLOSE));
        // The dialog is otherwise as usual.
        QVERIFY(!pDialog->windowIcon().isNull());
        QTest::keyClick(pDialog, Qt::Key_Escape);
    });
}

QTEST_MAIN(tst_NoAboutString)
#include "tst_NoAboutString.moc"
