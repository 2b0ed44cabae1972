// The desktop application on the Qt backend, offscreen: the main dialog, the about box,
// the application object, and the layer features they stand on.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QDropEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <unistd.h>

#include "AboutDlg.h"
#include "ConvertApp.h"
#include "ConvertDlg.h"
#include "GuiTestSupport.h"
#include "Resources.h"
#include "resource.h"

using guitest::OnModal;
using guitest::OnPopupMenu;
using guitest::RunModal;

namespace
{
// The application object the dialogs load their icon through.
CConvertApp s_app;

const QByteArray kPlaylist = "#Sonquill playlist\r\n/music/Song One.mp3\r\n";

// Runs the main dialog as the application's main window, as InitInstance does: the file
// dialog, the about box and message boxes are owned by it.
INT_PTR RunMain(CConvertDlg& dlg, const std::function<void(QDialog*)>& drive)
{
    s_app.m_pMainWnd = &dlg;
    const INT_PTR nResult = RunModal(dlg, drive);
    s_app.m_pMainWnd = nullptr;
    return nResult;
}

QLineEdit* PathField(QWidget* pDialog)
{
    return pDialog->findChild<QLineEdit*>(QString::number(IDC_PLAYLIST_PATH));
}

QPushButton* Button(QWidget* pDialog, int nID)
{
    return pDialog->findChild<QPushButton*>(QString::number(nID));
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Dialog units to pixels the way the platform does it, worked out here on its own.
struct Units
{
    explicit Units(QWidget* pDialog)
    {
        const QFontMetrics metrics(pDialog->font(), pDialog);
        cx = (metrics.horizontalAdvance(QStringLiteral(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                  26 +
              1) /
             2;
        cy = metrics.height();
    }
    int X(int n) const { return static_cast<int>(std::floor(n * cx / 4.0 + 0.5)); }
    int Y(int n) const { return static_cast<int>(std::floor(n * cy / 8.0 + 0.5)); }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    int cx, cy;
};

// Alt+Space, which opens the window menu; returns once the menu has closed.
void PressAltSpace(QDialog* pDialog)
{
    pDialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(pDialog));
    QTest::keyClick(pDialog->focusWidget() ? pDialog->focusWidget() : pDialog, Qt::Key_Space,
                    Qt::AltModifier);
}

QAction* ActionFor(QMenu* pMenu, UINT nCommand)
{
    for (QAction* pAction : pMenu->actions())
        if (!pAction->isSeparator() && pAction->data().toULongLong() == nCommand)
            return pAction;
    return nullptr;
}
} // namespace

class tst_ConvertDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogUnitsRoundLikeThePlatform();
    void dialogWithoutTemplateCannotOpen();
    void fileDialogFilters_data();
    void fileDialogFilters();
    void mainDialogFollowsTemplateAndFont();
    void enterConvertsAndDialogStaysOpen();
    void cancelEndsDialog_data();
    void cancelEndsDialog();
    void browse_data();
    void browse();
    void windowMenuEndsWithAboutEntry();
    void systemCommandOpensAboutBox_data();
    void systemCommandOpensAboutBox();
    void aboutBoxCloses_data();
    void aboutBoxCloses();
    void writeFailureIsReportedAndDialogStaysUsable();
    void iconIsSetAndDrawnWhenMinimised();
    void iconGroupHoldsTwoSixteenColourImages();
    void initInstanceRunsMainDialogAndReturnsFalse();
    void commandLineFillsPathField_data();
    void commandLineFillsPathField();
    void droppedFileFillsPathField_data();
    void droppedFileFillsPathField();

private:
    std::unique_ptr<guitest::FakeOpener> m_pOpener;
    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_strStartFolder;
};

void tst_ConvertDlg::initTestCase()
{
    plat::qt::ConfigureApplication();
    plat::qt::SetNativeDialogsAllowed(false);
    m_pOpener = std::make_unique<guitest::FakeOpener>();
    m_strStartFolder = QDir::currentPath();
}

void tst_ConvertDlg::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    m_pOpener->Clear();
}

void tst_ConvertDlg::cleanup()
{
    QDir::setCurrent(m_strStartFolder); // a conversion moves the current folder
    m_pDir.reset();
}

void tst_ConvertDlg::dialogUnitsRoundLikeThePlatform()
{
    QCOMPARE(MulDiv(7, 7, 4), 12);  // 12.25
    QCOMPARE(MulDiv(5, 6, 4), 8);   // 7.5 rounds up
    QCOMPARE(MulDiv(-5, 6, 4), -8); // and away from zero
    QCOMPARE(MulDiv(50, 13, 8), 81);
    QCOMPARE(MulDiv(1, 2, 0), -1);
    const plat::ui::DialogBaseUnits base = plat::ui::BaseUnitsFromFont(344, 13);
    QCOMPARE(base.cx, 7);
    QCOMPARE(base.cy, 13);
    QCOMPARE(plat::ui::BaseUnitsFromFont(311, 13).cx, 6); // 311 / 26 = 11, (11 + 1) / 2
}

void tst_ConvertDlg::dialogWithoutTemplateCannotOpen()
{
    CDialog dlg(IDD_MAIN + 1000);
    QCOMPARE(dlg.DoModal(), INT_PTR(-1));
    QVERIFY(!dlg.m_hWnd);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_ConvertDlg::fileDialogFilters_data()
{
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<QStringList>("entries"); // "label: pattern pattern"
    QTest::newRow("the playlists' filter")
        << QByteArray("Sonquill Playlists|*.sqk||")
        << QStringList{QStringLiteral("Sonquill Playlists: *.sqk")};
    QTest::newRow("two entries, several patterns")
        << QByteArray("Lists|*.sqk;*.m3u|All Files|*.*||")
        << QStringList{QStringLiteral("Lists: *.sqk *.m3u"), QStringLiteral("All Files: *.*")};
    QTest::newRow("a label without patterns is dropped")
        << QByteArray("Lists|*.sqk|Broken|") << QStringList{QStringLiteral("Lists: *.sqk")};
    QTest::newRow("empty") << QByteArray("") << QStringList{};
}

void tst_ConvertDlg::fileDialogFilters()
{
    QFETCH(QByteArray, filter);
    QFETCH(QStringList, entries);
    QStringList parsed;
    for (const CFileDialog::Filter& entry : CFileDialog::ParseFilter(filter.constData()))
    {
        QString text = QString::fromLatin1(entry.strLabel.GetData()) + u':';
        for (const CString& pattern : entry.patterns)
            text += u' ' + QString::fromLatin1(pattern.GetData());
        parsed << text;
    }
    QCOMPARE(parsed, entries);
}

void tst_ConvertDlg::mainDialogFollowsTemplateAndFont()
{
    CConvertDlg dlg;
    const INT_PTR nResult = RunMain(dlg, [&](QDialog* pDialog) {
        QCOMPARE(pDialog->windowTitle(), QStringLiteral("sqk2xml"));
        QCOMPARE(pDialog->font().pointSize(), 8);
        QCOMPARE(QFontInfo(pDialog->font()).family(),
                 QFontInfo(QFont(QStringLiteral("Sans Serif"))).family());

        const Units units(pDialog);
        QVERIFY(units.cx > 0 && units.cy > 0);
        QCOMPARE(pDialog->size(), QSize(units.X(320), units.Y(50)));
        QCOMPARE(pDialog->minimumSize(), pDialog->maximumSize());

        QLineEdit* pPath = PathField(pDialog);
        QPushButton* pBrowse = Button(pDialog, IDC_BROWSE);
        QPushButton* pConvert = Button(pDialog, IDOK);
        QVERIFY(pPath && pBrowse && pConvert);
        QCOMPARE(pPath->geometry(), units.Rect(7, 7, 248, 14));
        QCOMPARE(pBrowse->geometry(), units.Rect(263, 7, 50, 14));
        QCOMPARE(pConvert->geometry(), units.Rect(263, 29, 50, 14));
        QCOMPARE(pPath->text(), QString());
        QVERIFY(pPath->hasFrame());
        QCOMPARE(pBrowse->text(), QStringLiteral("&Browse"));
        QCOMPARE(pConvert->text(), QStringLiteral("&Convert"));
        QCOMPARE(pBrowse->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));
        QCOMPARE(pConvert->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
        // Screen readers name the field by its string, the buttons by their text.
        QCOMPARE(pPath->accessibleName(), QStringLiteral("Playlist path"));
        QCOMPARE(pBrowse->accessibleName(), QStringLiteral("Browse"));
        QCOMPARE(pConvert->accessibleName(), QStringLiteral("Convert"));
        QVERIFY(pConvert->isDefault());
        QVERIFY(!pBrowse->isDefault());
        QVERIFY(!pDialog->findChild<QPushButton*>(QString::number(IDCANCEL)));

        // Focus starts in the path field; Tab follows the template order.
        QTRY_COMPARE(QApplication::focusWidget(), pPath);
        QCOMPARE(pPath->nextInFocusChain(), pBrowse);
        QCOMPARE(pBrowse->nextInFocusChain(), pConvert);

        // Typed text crosses the ANSI boundary: what the code page lacks becomes '?'.
        pPath->insert(QStringLiteral("a\u00e9\u4e2d")); // as an input method enters it
        CString strText;
        dlg.GetDlgItemText(IDC_PLAYLIST_PATH, strText);
        QCOMPARE(QByteArray(strText.GetData(), strText.GetLength()), QByteArray("a\xe9?"));
        dlg.SetDlgItemText(IDC_PLAYLIST_PATH, "caf\xe9");
        QCOMPARE(pPath->text(), QStringLiteral("caf\u00e9"));

        // F1 asks for help, and the program has none to show.
        QTest::keyClick(pPath, Qt::Key_F1);
        QTest::qWait(100);
        QCOMPARE(QApplication::activeModalWidget(), pDialog);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](const QWidget* pWidget) { return pWidget->isVisible(); }),
                 1);

        QTest::keyClick(pPath, Qt::Key_Escape);
    });
    QCOMPARE(nResult, INT_PTR(IDCANCEL));
    QVERIFY(!dlg.m_hWnd);
}

void tst_ConvertDlg::enterConvertsAndDialogStaysOpen()
{
    const QString playlist = m_pDir->filePath(QStringLiteral("party.sqk"));
    QVERIFY(WriteFile(playlist, kPlaylist));
    const QString page = m_pDir->filePath(QStringLiteral("party.htm"));
    const QString xml = m_pDir->filePath(QStringLiteral("party.xml"));

    CConvertDlg dlg;
    const INT_PTR nResult = RunMain(dlg, [&](QDialog* pDialog) {
        QLineEdit* pPath = PathField(pDialog);
        QVERIFY(pPath);
        QTest::keyClicks(pPath, playlist);
        QTest::keyClick(pPath, Qt::Key_Return);

        QVERIFY(QFile::exists(xml));
        QVERIFY(QFile::exists(page));
        QFile xmlFile(xml);
        QVERIFY(xmlFile.open(QIODevice::ReadOnly));
        QVERIFY(xmlFile.readAll().contains("Song One"));
        // The page that carries its rows, which today's browsers show.
        QFile pageFile(page);
        QVERIFY(pageFile.open(QIODevice::ReadOnly));
        const QByteArray pageText = pageFile.readAll();
        QVERIFY(pageText.startsWith("<!DOCTYPE html>\r\n"));
        QVERIFY(pageText.contains("\r\n<tr><td>Song One<td>"));
        QTRY_COMPARE(m_pOpener->HandedOver(), QStringList{page});
        QTest::qWait(200); // a second hand-over would show up by now
        QCOMPARE(m_pOpener->HandedOver().size(), 1);

        QVERIFY(pDialog->isVisible());
        QCOMPARE(pPath->text(), playlist);

        // An empty field converts nothing and hands nothing over.
        pPath->clear();
        QTest::mouseClick(Button(pDialog, IDOK), Qt::LeftButton);
        QTest::qWait(200);
        QCOMPARE(m_pOpener->HandedOver().size(), 1);
        QVERIFY(pDialog->isVisible());

        QTest::keyClick(pPath, Qt::Key_Escape);
    });
    QCOMPARE(nResult, INT_PTR(IDCANCEL));
}

void tst_ConvertDlg::cancelEndsDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("close box") << "close box";
    QTest::newRow("window menu Close") << "menu";
}

void tst_ConvertDlg::cancelEndsDialog()
{
    QFETCH(QString, how);
    CConvertDlg dlg;
    const INT_PTR nResult = RunMain(dlg, [&](QDialog* pDialog) {
        if (how == u"escape")
        {
            QTest::keyClick(PathField(pDialog), Qt::Key_Escape);
        }
        else if (how == u"close box")
        {
            QVERIFY(pDialog->windowHandle());
            pDialog->windowHandle()->close();
        }
        else
        {
            OnPopupMenu([](QMenu* pMenu) {
                QAction* pClose = ActionFor(pMenu, SC_CLOSE);
                QVERIFY(pClose);
                pMenu->setActiveAction(pClose);
                QTest::keyClick(pMenu, Qt::Key_Return);
            });
            PressAltSpace(pDialog);
        }
    });
    QCOMPARE(nResult, INT_PTR(IDCANCEL));
}

void tst_ConvertDlg::browse_data()
{
    QTest::addColumn<QString>("typed"); // name typed in the file dialog; empty: cancel it
    QTest::addColumn<QString>("chosen"); // name expected in the path field; empty: no change
    QTest::newRow("chosen file replaces the field") << "chosen.sqk" << "chosen.sqk";
    QTest::newRow("name without extension gets .sqk") << "newlist" << "newlist.sqk";
    QTest::newRow("cancel keeps the field") << QString() << QString();
}

void tst_ConvertDlg::browse()
{
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    const QString dir = m_pDir->path();
    QVERIFY(WriteFile(dir + QStringLiteral("/chosen.sqk"), kPlaylist));
    const QString expected =
        chosen.isEmpty() ? QStringLiteral("previous text") : dir + u'/' + chosen;

    CConvertDlg dlg;
    RunMain(dlg, [&](QDialog* pDialog) {
        QLineEdit* pPath = PathField(pDialog);
        QTest::keyClicks(pPath, QStringLiteral("previous text"));

        bool bDriven = false;
        OnModal<QFileDialog>(pDialog, [&](QFileDialog* pFileDialog) {
            QCOMPARE(pFileDialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(pFileDialog->fileMode(), QFileDialog::AnyFile);
            QCOMPARE(pFileDialog->defaultSuffix(), QStringLiteral("sqk"));
            QCOMPARE(pFileDialog->nameFilters(),
                     QStringList{QStringLiteral("Sonquill Playlists (*.sqk)")});
            QVERIFY(pFileDialog->testOption(QFileDialog::HideNameFilterDetails));
            QCOMPARE(pFileDialog->parentWidget(), pDialog);
            bDriven = true;
            if (typed.isEmpty())
            {
                QTest::keyClick(pFileDialog, Qt::Key_Escape);
                return;
            }
            // In the playlists' folder, the name typed into the name field: selectFile() is
            // ignored once that field has focus.
            pFileDialog->setDirectory(dir);
            auto* pName = pFileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(pName);
            pName->setFocus();
            pName->clear();
            QTest::keyClicks(pName, typed);
            // The button rather than Return, which the name completer may take for itself.
            auto* pButtons = pFileDialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QVERIFY(pButtons && pButtons->button(QDialogButtonBox::Open));
            QTRY_VERIFY(pButtons->button(QDialogButtonBox::Open)->isEnabled());
            pButtons->button(QDialogButtonBox::Open)->click();
        });
        QTest::mouseClick(Button(pDialog, IDC_BROWSE), Qt::LeftButton);
        QVERIFY(bDriven);
        QTRY_VERIFY(!QApplication::activeModalWidget() ||
                    QApplication::activeModalWidget() == pDialog);
        QCOMPARE(pPath->text(), expected);
        QVERIFY(!QFile::exists(dir + QStringLiteral("/newlist.sqk"))); // Browse creates nothing
        QTest::keyClick(pPath, Qt::Key_Escape);
    });
}

void tst_ConvertDlg::windowMenuEndsWithAboutEntry()
{
    CConvertDlg dlg;
    RunMain(dlg, [&](QDialog* pDialog) {
        CMenu* pMenu = dlg.GetSystemMenu(FALSE);
        QVERIFY(pMenu);
        const int nCount = static_cast<int>(pMenu->GetMenuItemCount());
        QVERIFY(nCount >= 3);
        QCOMPARE(pMenu->GetMenuItemID(nCount - 1), UINT(IDM_ABOUTBOX));
        QCOMPARE(QByteArray(pMenu->GetMenuString(nCount - 1)), QByteArray("&About sqk2xml..."));
        QVERIFY(pMenu->GetMenuState(nCount - 2) & MF_SEPARATOR);
        QCOMPARE(pMenu->GetMenuItemID(nCount - 3), UINT(SC_CLOSE));

        // The menu the user sees, by Alt+Space.
        bool bShown = false;
        OnPopupMenu([&](QMenu* pShown) {
            const QList<QAction*> actions = pShown->actions();
            QCOMPARE(actions.size(), nCount);
            QCOMPARE(actions.last()->text(), QStringLiteral("&About sqk2xml..."));
            QVERIFY(actions[nCount - 2]->isSeparator());
            bShown = true;
            QTest::keyClick(pShown, Qt::Key_Escape);
        });
        PressAltSpace(pDialog);
        QVERIFY(bShown);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        // A right-click on the background opens it too; its about entry opens the box.
        bool bAboutShown = false;
        OnPopupMenu([&](QMenu* pMenuByMouse) {
            OnModal<QDialog>(pDialog, [&](QDialog* pAbout) {
                QCOMPARE(pAbout->windowTitle(), QStringLiteral("About sqk2xml"));
                bAboutShown = true;
                QTest::keyClick(pAbout, Qt::Key_Escape);
            });
            pMenuByMouse->setActiveAction(ActionFor(pMenuByMouse, IDM_ABOUTBOX));
            QTest::keyClick(pMenuByMouse, Qt::Key_Return);
        });
        QTest::mouseClick(pDialog->windowHandle(), Qt::RightButton, {}, QPoint(100, 60));
        QVERIFY(bAboutShown);
        QTRY_COMPARE(QApplication::activeModalWidget(), pDialog);
        QTest::keyClick(PathField(pDialog), Qt::Key_Escape);
    });
}

void tst_ConvertDlg::systemCommandOpensAboutBox_data()
{
    QTest::addColumn<uint>("command");
    QTest::addColumn<bool>("opens");
    QTest::newRow("0x0010, the about entry") << 0x0010u << true;
    QTest::newRow("0x0015") << 0x0015u << true;
    QTest::newRow("0x001F") << 0x001Fu << true;
    QTest::newRow("0x000F") << 0x000Fu << false;
    QTest::newRow("0x0020") << 0x0020u << false;
    QTest::newRow("0x1010") << 0x1010u << false;
}

void tst_ConvertDlg::systemCommandOpensAboutBox()
{
    QFETCH(uint, command);
    QFETCH(bool, opens);
    CConvertDlg dlg;
    RunMain(dlg, [&](QDialog* pDialog) {
        bool bOpened = false;
        OnModal<QDialog>(
            pDialog,
            [&](QDialog* pAbout) {
                bOpened = true;
                QTest::keyClick(pAbout, Qt::Key_Escape);
            },
            opens ? 5000 : 300);
        dlg.SendMessage(WM_SYSCOMMAND, command, 0);
        QTest::qWait(opens ? 0 : 400);
        QCOMPARE(bOpened, opens);
        QVERIFY(pDialog->isVisible());
        QTest::keyClick(PathField(pDialog), Qt::Key_Escape);
    });
}

void tst_ConvertDlg::aboutBoxCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "ok" << IDOK;
    QTest::newRow("Escape key") << "escape" << IDCANCEL;
    QTest::newRow("close box") << "close box" << IDCANCEL;
}

void tst_ConvertDlg::aboutBoxCloses()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    QPointer<QDialog> pFirst;
    for (int nOpening = 0; nOpening < 2; ++nOpening)
    {
        CAboutDlg about;
        const INT_PTR nResult = RunModal(about, [&](QDialog* pAbout) {
            QVERIFY(pAbout != pFirst); // a new box each time
            if (!pFirst)
                pFirst = pAbout;
            QCOMPARE(pAbout->windowTitle(), QStringLiteral("About sqk2xml"));
            const Units units(pAbout);
            QCOMPARE(pAbout->size(), QSize(units.X(142), units.Y(58)));
            auto* pText = pAbout->findChild<QLabel*>(QString::number(IDC_STATIC));
            QVERIFY(pText);
            QCOMPARE(pText->geometry(), units.Rect(7, 7, 128, 26));
            const QStringList lines = pText->text().split(u'\n');
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines[0], QStringLiteral("sqk2xml version 1.0"));
            QVERIFY(pText->alignment() & Qt::AlignHCenter);
            // Every line fits the box, so none is broken and the last stays inside.
            for (const QString& line : lines)
                QVERIFY2(pText->fontMetrics().horizontalAdvance(line) <= pText->width(),
                         qPrintable(line));
            QVERIFY(3 * pText->fontMetrics().lineSpacing() <= pText->height() + 3);
            QPushButton* pOK = Button(pAbout, IDOK);
            QVERIFY(pOK);
            QCOMPARE(pOK->geometry(), units.Rect(46, 37, 50, 14));
            QVERIFY(pOK->isDefault());
            QTRY_COMPARE(QApplication::focusWidget(), pOK);

            if (how == u"ok")
                QTest::mouseClick(pOK, Qt::LeftButton);
            else if (how == u"escape")
                QTest::keyClick(pOK, Qt::Key_Escape);
            else
                pAbout->windowHandle()->close();
        });
        QCOMPARE(nResult, INT_PTR(result));
    }
    QVERIFY(!pFirst); // the first box is gone once it closed
}

void tst_ConvertDlg::writeFailureIsReportedAndDialogStaysUsable()
{
    // The XML document is a link to a device that is always full: every write fails.
    const QString playlist = m_pDir->filePath(QStringLiteral("full.sqk"));
    const QString xml = m_pDir->filePath(QStringLiteral("full.xml"));
    QVERIFY(WriteFile(playlist, kPlaylist));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), xml));
    const QString good = m_pDir->filePath(QStringLiteral("good.sqk"));
    QVERIFY(WriteFile(good, kPlaylist));

    CConvertDlg dlg;
    RunMain(dlg, [&](QDialog* pDialog) {
        QLineEdit* pPath = PathField(pDialog);
        QTest::keyClicks(pPath, playlist);

        QString strReport;
        OnModal<QMessageBox>(pDialog, [&](QMessageBox* pBox) {
            strReport = pBox->text();
            QCOMPARE(pBox->parentWidget(), pDialog);
            pBox->button(QMessageBox::Ok)->click();
        });
        QTest::keyClick(pPath, Qt::Key_Return);
        QVERIFY2(strReport.contains(xml), qPrintable(strReport));
        QVERIFY2(strReport.contains(QStringLiteral("No space left on device")),
                 qPrintable(strReport));
        QTest::qWait(200);
        QVERIFY(m_pOpener->HandedOver().isEmpty());

        // Still usable: the next conversion goes through.
        QVERIFY(pDialog->isVisible());
        QCOMPARE(pPath->text(), playlist);
        pPath->clear();
        QTest::keyClicks(pPath, good);
        QTest::keyClick(pPath, Qt::Key_Return);
        QTRY_COMPARE(m_pOpener->HandedOver(),
                     QStringList{m_pDir->filePath(QStringLiteral("good.htm"))});
        QTest::keyClick(pPath, Qt::Key_Escape);
    });
}

void tst_ConvertDlg::iconIsSetAndDrawnWhenMinimised()
{
    const HICON hIcon = s_app.LoadIcon(IDR_MAINFRAME);
    QVERIFY(hIcon);
    QCOMPARE(s_app.LoadIcon(IDR_MAINFRAME), hIcon); // shared, loaded once
    QVERIFY(!s_app.LoadIcon(IDR_MAINFRAME + 1));

    CConvertDlg dlg;
    RunMain(dlg, [&](QDialog* pDialog) {
        const QIcon icon = pDialog->windowIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
        QCOMPARE(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), hIcon);

        // Minimised, the dialog paints the icon centred on its background.
        pDialog->showMinimized();
        QTRY_VERIFY(dlg.IsIconic());
        QImage image(pDialog->size(), QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        // Only the dialog's own painting, without the platform's background fill: the
        // background must come from WM_ICONERASEBKGND.
        pDialog->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        const int x = (pDialog->width() - 32 + 1) / 2;
        const int y = (pDialog->height() - 32 + 1) / 2;
        const QImage expected = icon.pixmap(QSize(32, 32)).toImage().convertToFormat(
            QImage::Format_ARGB32);
        const QColor background = pDialog->palette().window().color();
        QCOMPARE(image.pixelColor(0, 0), background);
        int nChecked = 0;
        for (int iy = 0; iy < 32; ++iy)
            for (int ix = 0; ix < 32; ++ix)
                if (qAlpha(expected.pixel(ix, iy)) == 255)
                {
                    QCOMPARE(image.pixel(x + ix, y + iy), expected.pixel(ix, iy));
                    ++nChecked;
                }
        QVERIFY(nChecked > 100);
        pDialog->showNormal();
        QTRY_VERIFY(!dlg.IsIconic());
        QTest::keyClick(PathField(pDialog), Qt::Key_Escape);
    });
}

void tst_ConvertDlg::iconGroupHoldsTwoSixteenColourImages()
{
    const plat::ui::IconResource* pRes = plat::ui::FindIconResource(IDR_MAINFRAME);
    QVERIFY(pRes);
    QCOMPARE(pRes->nLang, LANGID(SQK_LANG_EN_GB));
    const QByteArray ico(reinterpret_cast<const char*>(pRes->pData),
                         static_cast<qsizetype>(pRes->nSize));
    auto u16 = [&](int at) { return int(uchar(ico[at])) | int(uchar(ico[at + 1])) << 8; };
    auto u32 = [&](int at) { return uint(u16(at)) | uint(u16(at + 2)) << 16; };
    QVERIFY(ico.size() >= 6);
    QCOMPARE(u16(0), 0);
    QCOMPARE(u16(2), 1); // an icon
    QCOMPARE(u16(4), 2);
    const int sizes[] = {32, 16};
    const uint bytes[] = {744, 296};
    for (int i = 0; i < 2; ++i)
    {
        const int entry = 6 + 16 * i;
        QCOMPARE(int(uchar(ico[entry])), sizes[i]);
        QCOMPARE(int(uchar(ico[entry + 1])), sizes[i]);
        QCOMPARE(int(uchar(ico[entry + 2])), 16); // colours
        QCOMPARE(u16(entry + 4), 1);              // planes
        QCOMPARE(u16(entry + 6), 4);              // bits per pixel
        QCOMPARE(u32(entry + 8), bytes[i]);
        const int at = int(u32(entry + 12));
        QVERIFY(at + int(bytes[i]) <= ico.size());
        QCOMPARE(u32(at), 40u);                     // BITMAPINFOHEADER
        QCOMPARE(int(u32(at + 4)), sizes[i]);       // width
        QCOMPARE(int(u32(at + 8)), 2 * sizes[i]);   // colour bits and mask
        QCOMPARE(u16(at + 14), 4);                  // bits per pixel
        QCOMPARE(u32(at + 16), 0u);                 // uncompressed
    }
}

void tst_ConvertDlg::initInstanceRunsMainDialogAndReturnsFalse()
{
    QPointer<QDialog> pMain;
    OnModal<QDialog>(nullptr, [&](QDialog* pDialog) {
        pMain = pDialog;
        QCOMPARE(pMain->objectName(), QString::number(IDD_MAIN));
        QVERIFY(s_app.m_pMainWnd);
        QCOMPARE(plat::qt::WidgetOf(s_app.m_pMainWnd->m_hWnd), pMain.data());
        QTest::keyClick(pMain, Qt::Key_Escape);
    });
    QCOMPARE(s_app.InitInstance(), FALSE);
    QVERIFY(!pMain);
    s_app.m_pMainWnd = nullptr;
}

void tst_ConvertDlg::commandLineFillsPathField_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no argument: an empty field") << QStringList{} << QString();
    QTest::newRow("one path") << QStringList{"/music/party.sqk"} << "/music/party.sqk";
    QTest::newRow("a name outside the code page")
        << QStringList{"/music/caf\u00e9 \u4e2d.sqk"} << "/music/caf\u00e9 ?.sqk";
    QTest::newRow("options are passed over")
        << QStringList{"--verbose", "-x", "/music/party.sqk"} << "/music/party.sqk";
    QTest::newRow("the first of several paths")
        << QStringList{"/music/a.sqk", "--x", "/music/b.sqk"} << "/music/a.sqk";
    QTest::newRow("only options: an empty field") << QStringList{"--help"} << QString();
}

void tst_ConvertDlg::commandLineFillsPathField()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    s_app.m_argsUtf8.clear();
    for (const QString& arg : args)
        s_app.m_argsUtf8.push_back(arg.toStdString());
    bool bChecked = false;
    OnModal<QDialog>(nullptr, [&](QDialog* pDialog) {
        QLineEdit* pPath = PathField(pDialog);
        QVERIFY(pPath);
        QCOMPARE(pPath->text(), expected);
        QTRY_COMPARE(QApplication::focusWidget(), pPath);
        // No message box of any kind: the main dialog is the only window.
        QCOMPARE(QApplication::activeModalWidget(), pDialog);
        bChecked = true;
        QTest::keyClick(pDialog, Qt::Key_Escape);
    });
    QCOMPARE(s_app.InitInstance(), FALSE);
    s_app.m_pMainWnd = nullptr;
    s_app.m_argsUtf8.clear();
    QVERIFY(bChecked);
}

void tst_ConvertDlg::droppedFileFillsPathField_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("onField");
    QTest::addColumn<QString>("expected");
    const QUrl one = QUrl::fromLocalFile(QStringLiteral("/music/party one.sqk"));
    const QUrl two = QUrl::fromLocalFile(QStringLiteral("/music/two.sqk"));
    QTest::newRow("one file on the dialog") << QList<QUrl>{one} << false << "/music/party one.sqk";
    QTest::newRow("one file on the path field")
        << QList<QUrl>{one} << true << "/music/party one.sqk";
    QTest::newRow("several files: the first") << QList<QUrl>{one, two} << false
                                              << "/music/party one.sqk";
    QTest::newRow("a remote address first: the first local file")
        << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.sqk")), two} << true
        << "/music/two.sqk";
    QTest::newRow("no local file: refused, the field keeps its text")
        << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.sqk"))} << false << "kept";
}

void tst_ConvertDlg::droppedFileFillsPathField()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, onField);
    QFETCH(QString, expected);
    CConvertDlg dlg;
    const INT_PTR nResult = RunMain(dlg, [&](QDialog* pDialog) {
        QLineEdit* pPath = PathField(pDialog);
        QVERIFY(pPath);
        pPath->setText(QStringLiteral("kept"));
        QWidget* pTarget = onField ? static_cast<QWidget*>(pPath) : pDialog;
        const QPoint at = pTarget->rect().center();
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &enter);
        const bool bLocal = expected != u"kept";
        QCOMPARE(enter.isAccepted(), bLocal);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &drop);
        QCOMPARE(pPath->text(), expected);
        // The field holds a path, never a file's address.
        QVERIFY(!pPath->text().startsWith(u"file:"));
        QTest::keyClick(pPath, Qt::Key_Escape);
    });
    QCOMPARE(nResult, INT_PTR(IDCANCEL));
}

QTEST_MAIN(tst_ConvertDlg)
#include "tst_ConvertDlg.moc"
