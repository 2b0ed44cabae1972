// Qt implementation of the window part of platform/ui/UiBackend.h: dialogs built from
// templates, their controls, the window menu and its items, painting. Only Qt calls here; the message
// maps and the rules of the layer belong in platform/ui/.
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include "QtBackend.h"
#include "UiBackend.h"
#include "UiCallbacks.h"
#include "Utf8Text.h"
#include "Window_qt.h"

namespace plat::qt
{
namespace
{
QString FromAnsi(const char* psz)
{
    return ToQString(plat::AnsiToUtf8(psz ? psz : ""));
}

// "MS Sans Serif" and its successors name the system's dialog font, which here is the
// desktop's sans-serif face at the same size.
QFont DialogFont(const plat::ui::DlgTemplate& tmpl)
{
    if (!(tmpl.dwStyle & DS_SETFONT))
        return QApplication::font();
    const QString face = FromAnsi(tmpl.pszFace);
    QFont font;
    if (face.compare(u"MS Sans Serif", Qt::CaseInsensitive) == 0 ||
        face.compare(u"MS Shell Dlg", Qt::CaseInsensitive) == 0 ||
        face.compare(u"MS Shell Dlg 2", Qt::CaseInsensitive) == 0)
    {
        font.setFamilies({QStringLiteral("Sans Serif")});
        font.setStyleHint(QFont::SansSerif);
    }
    else
    {
        font.setFamilies({face});
    }
    font.setPointSize(tmpl.nPointSize);
    if (tmpl.bExtended && tmpl.nWeight != 0)
        font.setWeight(static_cast<QFont::Weight>(qBound(1, int(tmpl.nWeight), 1000)));
    font.setItalic(tmpl.bExtended && tmpl.bItalic);
    return font;
}

// A static control without SS_NOPREFIX shows "&x" as x (the access key) and "&&" as "&".
QString StripPrefix(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// Builds one control; nullptr for a class or style this backend does not draw.
QWidget* CreateControl(const plat::ui::DlgItemTemplate& item, CDialogWindow* pDialog,
                       HWND hWnd)
{
    const QString cls = QString::fromLatin1(item.pszClass).toLower();
    const QString text = FromAnsi(item.pszText);
    QWidget* pControl = nullptr;
    if (cls == u"edit")
    {
        if (item.dwStyle & ES_MULTILINE)
            return nullptr;
        auto* pEdit = new QLineEdit(text, pDialog);
        pEdit->setFrame((item.dwStyle & WS_BORDER) != 0);
        pEdit->setReadOnly((item.dwStyle & ES_READONLY) != 0);
        if (item.dwStyle & ES_PASSWORD)
            pEdit->setEchoMode(QLineEdit::Password);
        pControl = pEdit;
    }
    else if (cls == u"button")
    {
        const DWORD type = item.dwStyle & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
            return nullptr;
        auto* pButton = new QPushButton(text, pDialog);
        pButton->setAccessibleName(StripPrefix(text));
        // A focused push button takes Enter for itself, as on the platform; otherwise the
        // default button does.
        pButton->setAutoDefault(true);
        pButton->setDefault(type == BS_DEFPUSHBUTTON);
        const int nID = item.nID;
        QObject::connect(pButton, &QPushButton::clicked, pDialog, [hWnd, nID] {
            if (hWnd->pWnd)
                plat::ui::DispatchToWindow(hWnd->pWnd, WM_COMMAND,
                                           MAKEWPARAM(static_cast<WORD>(nID), BN_CLICKED), 0);
        });
        pControl = pButton;
    }
    else if (cls == u"static")
    {
        const DWORD type = item.dwStyle & SS_TYPEMASK;
        Qt::Alignment align;
        if (type == SS_LEFT)
            align = Qt::AlignLeft;
        else if (type == SS_CENTER)
            align = Qt::AlignHCenter;
        else if (type == SS_RIGHT)
            align = Qt::AlignRight;
        else
            return nullptr;
        auto* pLabel = new QLabel(pDialog);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setText((item.dwStyle & SS_NOPREFIX) ? text : StripPrefix(text));
        pLabel->setAlignment(align | Qt::AlignTop);
        pLabel->setWordWrap(true); // text statics break lines at words
        pControl = pLabel;
    }
    else
    {
        return nullptr;
    }
    pControl->setObjectName(QString::number(item.nID));
    // A string with the control's id names it for assistive technology; a control that
    // shows no text of its own (the path field) has no other name.
    CString strName;
    if (item.nID > 0 && strName.LoadString(static_cast<UINT>(item.nID)) && !strName.IsEmpty())
        pControl->setAccessibleName(FromAnsi(strName));
    if (item.dwStyle & WS_TABSTOP)
        pControl->setFocusPolicy(Qt::StrongFocus);
    else if (cls == u"static")
        pControl->setFocusPolicy(Qt::NoFocus);
    else
        pControl->setFocusPolicy(Qt::ClickFocus);
    pControl->setEnabled(!(item.dwStyle & WS_DISABLED));
    pControl->setHidden(!(item.dwStyle & WS_VISIBLE));
    return pControl;
}

// What the platform's window menu of a fixed-size dialog holds: Move, where the window
// system lets a program start a move, and Close.
std::unique_ptr<HMENU__> DefaultWindowMenu()
{
    auto pMenu = std::make_unique<HMENU__>();
    const QString platform = QGuiApplication::platformName();
    if (platform == u"xcb" || platform == u"wayland")
        pMenu->items.push_back({MF_STRING, SC_MOVE, "&Move"});
    pMenu->items.push_back({MF_STRING, SC_CLOSE, "&Close\tAlt+F4"});
    return pMenu;
}

// The local files a drag carries, as full paths with the platform's separators.
std::vector<std::string> LocalFilesOf(const QMimeData* pData)
{
    std::vector<std::string> files;
    if (!pData || !pData->hasUrls())
        return files;
    for (const QUrl& url : pData->urls())
        if (url.isLocalFile())
            files.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
    return files;
}

QWidget* ControlOf(HWND hWnd, int nID)
{
    for (const auto& [nControlID, pControl] : hWnd->controls)
        if (nControlID == nID)
            return pControl;
    return nullptr;
}
} // namespace

CDialogWindow::CDialogWindow(HWND hWnd, QWidget* pOwner) : QDialog(pOwner), m_hWnd(hWnd)
{
    // Alt+Space opens the window menu through the system command, as the platform does.
    auto* pKeyMenu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(pKeyMenu, &QShortcut::activated, this, [this] { Send(WM_SYSCOMMAND, SC_KEYMENU, ' '); });
    auto* pClose = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(pClose, &QShortcut::activated, this, [this] { Send(WM_SYSCOMMAND, SC_CLOSE, 0); });
    auto* pHelp = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(pHelp, &QShortcut::activated, this, [this] { Send(WM_COMMAND, ID_HELP, 0); });
}

LRESULT CDialogWindow::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd->pWnd ? plat::ui::DispatchToWindow(m_hWnd->pWnd, message, wParam, lParam) : 0;
}

// Escape (and anything else of Qt's that would reject the dialog) is the Cancel command.
void CDialogWindow::reject()
{
    Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CDialogWindow::accept()
{
    Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CDialogWindow::paintEvent(QPaintEvent* pEvent)
{
    QPaintEvent* pSaved = std::exchange(m_hWnd->pPaintEvent, pEvent);
    Send(WM_PAINT, 0, 0);
    m_hWnd->pPaintEvent = pSaved;
}

// The close box is the window menu's Close.
void CDialogWindow::closeEvent(QCloseEvent* pEvent)
{
    if (m_hWnd->bEnded)
    {
        pEvent->accept();
        return;
    }
    pEvent->ignore();
    Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The window manager's own menu is out of reach, so a right-click on the background opens
// the dialog's window menu. Controls handle their own right-clicks first.
void CDialogWindow::contextMenuEvent(QContextMenuEvent* pEvent)
{
    if (m_hWnd->pSysMenu)
        OpenWindowMenu(pEvent->globalPos());
    pEvent->accept();
}

bool CDialogWindow::TakeFileDrag(QEvent* pEvent)
{
    if (!m_hWnd->bAcceptFiles)
        return false;
    switch (pEvent->type())
    {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    {
        auto* pDrag = static_cast<QDragMoveEvent*>(pEvent);
        if (LocalFilesOf(pDrag->mimeData()).empty())
            return false;
        pDrag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop:
    {
        auto* pDrop = static_cast<QDropEvent*>(pEvent);
        HDROP__ drop{LocalFilesOf(pDrop->mimeData())};
        if (drop.filesUtf8.empty())
            return false;
        pDrop->acceptProposedAction();
        Send(WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0);
        return true;
    }
    default:
        return false;
    }
}

void CDialogWindow::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!TakeFileDrag(pEvent))
        pEvent->ignore();
}

void CDialogWindow::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (!TakeFileDrag(pEvent))
        pEvent->ignore();
}

void CDialogWindow::dropEvent(QDropEvent* pEvent)
{
    if (!TakeFileDrag(pEvent))
        pEvent->ignore();
}

bool CDialogWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (TakeFileDrag(pEvent))
        return true;
    return QDialog::eventFilter(pWatched, pEvent);
}

void CDialogWindow::OpenWindowMenu(const QPoint& globalPos)
{
    if (!m_hWnd->pSysMenu)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    for (const CMenuItem& item : m_hWnd->pSysMenu->items)
    {
        if (item.nFlags & MF_SEPARATOR)
        {
            menu.addSeparator();
            continue;
        }
        QAction* pAction = menu.addAction(ToQString(item.strTextUtf8));
        pAction->setData(QVariant::fromValue<qulonglong>(item.nID));
        pAction->setEnabled(!(item.nFlags & (MF_GRAYED | MF_DISABLED)));
    }
    const QAction* pChosen = menu.exec(globalPos);
    if (pChosen)
        Send(WM_SYSCOMMAND, static_cast<WPARAM>(pChosen->data().toULongLong()), 0);
}

QWidget* WidgetOf(HWND hWnd)
{
    return hWnd ? hWnd->pWidget : nullptr;
}

} // namespace plat::qt

namespace plat::ui
{

INT_PTR RunModalDialog(CDialog* pDlg, const DlgTemplate& tmpl, HWND hOwner)
{
    HWND__ handle;
    handle.pWnd = pDlg;
    handle.dwStyle = tmpl.dwStyle;
    plat::qt::CDialogWindow window(&handle, hOwner ? hOwner->pWidget : nullptr);
    handle.pWidget = &window;
    window.setObjectName(QString::number(tmpl.nID));

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((tmpl.dwStyle & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (tmpl.dwStyle & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window.setWindowFlags(flags);
    window.setWindowTitle(plat::qt::FromAnsi(tmpl.pszCaption));

    // Dialog units follow the dialog font: a quarter of its average character width
    // across, an eighth of its height down.
    const QFont font = plat::qt::DialogFont(tmpl);
    window.setFont(font);
    const QFontMetrics metrics(font, &window);
    const DialogBaseUnits base = BaseUnitsFromFont(
        metrics.horizontalAdvance(QString::fromLatin1(kBaseUnitAlphabet)), metrics.height());
    const PixelRect client = DialogUnitsToPixels(base, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);
    window.setFixedSize(client.cx, client.cy);

    for (size_t i = 0; i < tmpl.nItems; ++i)
    {
        const DlgItemTemplate& item = tmpl.pItems[i];
        QWidget* pControl = plat::qt::CreateControl(item, &window, &handle);
        if (!pControl)
            return -1;
        const PixelRect r = DialogUnitsToPixels(base, item.x, item.y, item.cx, item.cy);
        pControl->setGeometry(r.x, r.y, r.cx, r.cy);
        handle.controls.emplace_back(item.nID, pControl);
    }
    // Tab goes through the controls in template order, as the platform's dialogs do.
    QWidget* pPrevious = nullptr;
    for (const auto& [nID, pControl] : handle.controls)
    {
        if (pControl->focusPolicy() != Qt::StrongFocus)
            continue;
        if (pPrevious)
            QWidget::setTabOrder(pPrevious, pControl);
        pPrevious = pControl;
    }
    if (tmpl.dwStyle & WS_SYSMENU)
        handle.pSysMenu = plat::qt::DefaultWindowMenu();

    pDlg->m_hWnd = &handle;
    struct Detach
    {
        CDialog* pDlg;
        HWND hWnd;
        ~Detach()
        {
            pDlg->m_hWnd = nullptr;
            hWnd->pWnd = nullptr;
        }
    } detach{pDlg, &handle};

    if (DispatchToWindow(pDlg, WM_INITDIALOG, 0, 0))
    {
        for (const auto& [nID, pControl] : handle.controls)
            if (pControl->focusPolicy() == Qt::StrongFocus && !pControl->isHidden() &&
                pControl->isEnabled())
            {
                pControl->setFocus();
                break;
            }
    }
    if (handle.bEnded) // ended while it was being set up: never shown
        return handle.nResult;

    handle.bInModalLoop = true;
    window.exec();
    return handle.nResult;
}

void EndModalDialog(HWND hWnd, int nResult)
{
    hWnd->nResult = nResult;
    if (hWnd->bEnded)
        return;
    hWnd->bEnded = true;
    if (hWnd->bInModalLoop)
        hWnd->pWidget->done(nResult);
}

CWnd* GetWindowObject(HWND hWnd)
{
    return hWnd->pWnd;
}

LRESULT DefaultWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    plat::qt::CDialogWindow* pWidget = hWnd->pWidget;
    switch (message)
    {
    case WM_PAINT:
        if (hWnd->pPaintEvent)
            pWidget->PaintDefault(hWnd->pPaintEvent);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            return hWnd->pWnd ? DispatchToWindow(hWnd->pWnd, WM_CLOSE, 0, 0) : 0;
        case SC_MOVE:
            if (QWindow* pWindow = pWidget->windowHandle())
                pWindow->startSystemMove();
            return 0;
        case SC_KEYMENU:
            pWidget->OpenWindowMenu(pWidget->mapToGlobal(QPoint(0, 0)));
            return 0;
        case SC_MINIMIZE:
            pWidget->showMinimized();
            return 0;
        case SC_RESTORE:
            pWidget->showNormal();
            return 0;
        default:
            return 0;
        }
    case WM_CLOSE: // a dialog closes as Cancel does
        return hWnd->pWnd ? DispatchToWindow(hWnd->pWnd, WM_COMMAND,
                                             MAKEWPARAM(IDCANCEL, BN_CLICKED), 0)
                          : 0;
    case WM_SETICON:
    {
        HICON hIcon = reinterpret_cast<HICON>(lParam);
        HICON& slot = wParam == ICON_BIG ? hWnd->hIconBig : hWnd->hIconSmall;
        HICON hPrevious = std::exchange(slot, hIcon);
        HICON hShown = hWnd->hIconBig ? hWnd->hIconBig : hWnd->hIconSmall;
        pWidget->setWindowIcon(hShown ? hShown->icon : QIcon());
        return reinterpret_cast<LRESULT>(hPrevious);
    }
    case WM_ICONERASEBKGND:
        if (HDC hDC = reinterpret_cast<HDC>(wParam))
            hDC->painter.fillRect(pWidget->rect(), pWidget->palette().window());
        return 1;
    default:
        return 0;
    }
}

bool GetControlText(HWND hWnd, int nID, std::string& strUtf8)
{
    QWidget* pControl = plat::qt::ControlOf(hWnd, nID);
    QString text;
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl))
        text = pEdit->text();
    else if (auto* pButton = qobject_cast<QPushButton*>(pControl))
        text = pButton->text();
    else if (auto* pLabel = qobject_cast<QLabel*>(pControl))
        text = pLabel->text();
    else
        return false;
    strUtf8 = text.toStdString();
    return true;
}

bool SetControlText(HWND hWnd, int nID, std::string_view strUtf8)
{
    QWidget* pControl = plat::qt::ControlOf(hWnd, nID);
    const QString text = plat::qt::ToQString(strUtf8);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl))
        pEdit->setText(text);
    else if (auto* pButton = qobject_cast<QPushButton*>(pControl))
        pButton->setText(text);
    else if (auto* pLabel = qobject_cast<QLabel*>(pControl))
        pLabel->setText(text);
    else
        return false;
    return true;
}

void AcceptDroppedFiles(HWND hWnd, bool bAccept)
{
    hWnd->bAcceptFiles = bAccept;
    hWnd->pWidget->setAcceptDrops(bAccept);
    for (const auto& [nID, pControl] : hWnd->controls)
    {
        if (bAccept)
            pControl->installEventFilter(hWnd->pWidget);
        else
            pControl->removeEventFilter(hWnd->pWidget);
    }
}

UINT GetDroppedFileCount(HDROP hDrop)
{
    return static_cast<UINT>(hDrop->filesUtf8.size());
}

bool GetDroppedFile(HDROP hDrop, UINT iFile, std::string& strPathUtf8)
{
    if (iFile >= hDrop->filesUtf8.size())
        return false;
    strPathUtf8 = hDrop->filesUtf8[iFile];
    return true;
}

HMENU GetWindowMenu(HWND hWnd, bool bRevert)
{
    if (!(hWnd->dwStyle & WS_SYSMENU))
        return nullptr;
    if (bRevert) // back to the platform's items; the platform returns no menu then
    {
        hWnd->pSysMenu = plat::qt::DefaultWindowMenu();
        return nullptr;
    }
    return hWnd->pSysMenu.get();
}

namespace
{
const CMenuItem* MenuItemAt(HMENU hMenu, int nPos)
{
    if (nPos < 0 || static_cast<size_t>(nPos) >= hMenu->items.size())
        return nullptr;
    return &hMenu->items[static_cast<size_t>(nPos)];
}
} // namespace

bool AppendMenuItem(HMENU hMenu, UINT nFlags, UINT_PTR nID, std::string_view strTextUtf8)
{
    if (nFlags & MF_SEPARATOR)
        hMenu->items.push_back({nFlags, 0, std::string()});
    else
        hMenu->items.push_back({nFlags, nID, std::string(strTextUtf8)});
    return true;
}

int GetMenuItemCount(HMENU hMenu)
{
    return static_cast<int>(hMenu->items.size());
}

UINT GetMenuItemCommand(HMENU hMenu, int nPos)
{
    const CMenuItem* pItem = MenuItemAt(hMenu, nPos);
    return pItem ? static_cast<UINT>(pItem->nID) : static_cast<UINT>(-1);
}

UINT GetMenuItemState(HMENU hMenu, int nPos)
{
    const CMenuItem* pItem = MenuItemAt(hMenu, nPos);
    return pItem ? pItem->nFlags : static_cast<UINT>(-1);
}

std::string GetMenuItemText(HMENU hMenu, int nPos)
{
    const CMenuItem* pItem = MenuItemAt(hMenu, nPos);
    return pItem ? pItem->strTextUtf8 : std::string();
}

bool IsWindowMinimized(HWND hWnd)
{
    return hWnd->pWidget->isMinimized();
}

RECT GetWindowClientRect(HWND hWnd)
{
    const QRect r = hWnd->pWidget->rect();
    return {0, 0, r.width(), r.height()};
}

HDC BeginWindowPaint(HWND hWnd)
{
    if (!hWnd || !hWnd->pPaintEvent)
        return nullptr;
    return new HDC__(hWnd->pWidget);
}

void EndWindowPaint(HWND, HDC hDC)
{
    delete hDC;
}

bool DrawIconAt(HDC hDC, int x, int y, HICON hIcon)
{
    if (!hDC || !hIcon)
        return false;
    const int cx = ::GetSystemMetrics(SM_CXICON);
    const int cy = ::GetSystemMetrics(SM_CYICON);
    hDC->painter.drawImage(QRect(x, y, cx, cy), hIcon->large);
    return true;
}

} // namespace plat::ui
