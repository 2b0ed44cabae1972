// Qt implementation of the window handles of platform/ui: what HWND, HDC and HICON point to.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AfxWin.h"

class QPaintEvent;

namespace plat::qt
{
class CDialogWindow;
} // namespace plat::qt

/// One item of a window menu: the Qt backend keeps the items and shows them itself.
struct CMenuItem
{
    UINT nFlags;
    UINT_PTR nID;
    std::string strTextUtf8;
};

/// The menu behind a handle.
struct HMENU__
{
    std::vector<CMenuItem> items;
};

struct HWND__
{
    CWnd* pWnd = nullptr;
    plat::qt::CDialogWindow* pWidget = nullptr;
    std::vector<std::pair<int, QWidget*>> controls; ///< in template order
    DWORD dwStyle = 0;
    std::unique_ptr<HMENU__> pSysMenu;
    QPaintEvent* pPaintEvent = nullptr; ///< set while WM_PAINT is handled
    HICON hIconBig = nullptr;
    HICON hIconSmall = nullptr;
    bool bInModalLoop = false;
    bool bEnded = false; ///< EndDialog was called
    bool bAcceptFiles = false; ///< DragAcceptFiles: dropped files become WM_DROPFILES
    int nResult = 0;
};

/// The files of one drop, as full local paths.
struct HDROP__
{
    std::vector<std::string> filesUtf8;
};

struct HDC__
{
    explicit HDC__(QWidget* pWidget) : painter(pWidget), pWidget(pWidget) {}
    QPainter painter;
    QWidget* pWidget;
};

struct HICON__
{
    QIcon icon;    ///< every image of the group
    QImage large;  ///< the image at the standard large-icon size, for DrawIcon
};

namespace plat::qt
{
inline QString ToQString(std::string_view strUtf8)
{
    return QString::fromUtf8(strUtf8.data(), static_cast<qsizetype>(strUtf8.size()));
}

/// The top-level widget of a dialog: turns Qt's events into the messages of the layer.
class CDialogWindow : public QDialog
{
public:
    CDialogWindow(HWND hWnd, QWidget* pOwner);

    void reject() override;
    void accept() override;
    /// Qt's own painting of the dialog: the default processing of WM_PAINT.
    void PaintDefault(QPaintEvent* pEvent) { QDialog::paintEvent(pEvent); }
    /// Opens the window menu with its top-left corner at a global position.
    void OpenWindowMenu(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    /// Drags of files over a control are the dialog's, as they are on the platform: an
    /// edit control would take a file's address as text.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
    /// Takes a drag or drop event that carries local files; false for any other.
    bool TakeFileDrag(QEvent* pEvent);
    HWND m_hWnd;
};
} // namespace plat::qt
