// Win32 implementation of the window part of platform/ui/UiBackend.h: modal dialogs that
// the system builds from the templates in the program's resources, their controls, the
// window menu and painting.
//
// DialogBoxParam runs the dialog with the system's dialog procedure as its window
// procedure. At WM_INITDIALOG the window is subclassed: from then on every message goes
// to the window object's message map first, and what the map leaves goes on to the
// system's procedure through CallWindowProc. (Calling DefDlgProc from inside a dialog
// procedure would come back to the same dialog procedure and recurse.)
#include "Win32Ui.h"

#include "WideText.h"

#include <algorithm>

namespace
{
// The window object and the procedure it replaced, kept on the window itself.
constexpr wchar_t kObjectProp[] = L"sqk2xml.CWnd";
constexpr wchar_t kOldProcProp[] = L"sqk2xml.WndProc";

WNDPROC OldProcOf(HWND hWnd)
{
    return reinterpret_cast<WNDPROC>(::GetPropW(hWnd, kOldProcProp));
}

LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp));
    const WNDPROC oldProc = OldProcOf(hWnd);
    if (message == WM_NCDESTROY)
    {
        // The window goes: it is handed back to its own procedure, and the object lets go.
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc));
        ::RemovePropW(hWnd, kObjectProp);
        ::RemovePropW(hWnd, kOldProcProp);
        if (pWnd)
            pWnd->m_hWnd = nullptr;
        return ::CallWindowProcW(oldProc, hWnd, message, wParam, lParam);
    }
    if (!pWnd)
        return ::CallWindowProcW(oldProc, hWnd, message, wParam, lParam);
    const LRESULT lResult = plat::ui::DispatchToWindow(pWnd, message, wParam, lParam);
    // The receiver of a drop releases it, whether its handler took the message or not.
    if (message == WM_DROPFILES)
        ::DragFinish(reinterpret_cast<HDROP>(wParam));
    return lResult;
}

// A dialog opens centred over its owner, or on the screen when it has none (its template
// places it at 0, 0), and kept inside the work area.
void CentreDialog(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    const HWND hOwner = ::GetWindow(hWnd, GW_OWNER);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoW(::MonitorFromWindow(hOwner ? hOwner : hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    RECT area = mi.rcWork;
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &area);
    const LONG cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    LONG x = area.left + (area.right - area.left - cx) / 2;
    LONG y = area.top + (area.bottom - area.top - cy) / 2;
    x = std::max(mi.rcWork.left, std::min(x, mi.rcWork.right - cx));
    y = std::max(mi.rcWork.top, std::min(y, mi.rcWork.bottom - cy));
    ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog procedure that the system's dialog procedure calls. Until WM_INITDIALOG it
// lets the system handle everything; after the subclassing, the messages that reach it
// are those the window object left to the default processing, so it takes none.
INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG || ::GetPropW(hWnd, kObjectProp))
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    pDlg->m_hWnd = hWnd;
    ::SetPropW(hWnd, kObjectProp, static_cast<CWnd*>(pDlg));
    ::SetPropW(hWnd, kOldProcProp,
               reinterpret_cast<HANDLE>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)));
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
    CentreDialog(hWnd);
    // TRUE: the system gives the focus to the first control with WS_TABSTOP.
    return plat::ui::DispatchToWindow(pDlg, WM_INITDIALOG, wParam, 0) ? TRUE : FALSE;
}

// One paint at a time per window: CPaintDC pairs BeginPaint with EndPaint on one thread.
struct PaintInProgress
{
    HWND hWnd = nullptr;
    PAINTSTRUCT ps{};
};
PaintInProgress g_paint;
} // namespace

namespace plat::ui
{

void AcceptDroppedFiles(HWND hWnd, bool bAccept)
{
    ::DragAcceptFiles(hWnd, bAccept ? TRUE : FALSE);
}

UINT GetDroppedFileCount(HDROP hDrop)
{
    // Index 0xFFFFFFFF asks for the number of files.
    return ::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
}

bool GetDroppedFile(HDROP hDrop, UINT iFile, std::string& strPathUtf8)
{
    // Without a buffer the answer is the length in characters, not counting the zero;
    // 0 past the last file.
    const UINT nLength = ::DragQueryFileW(hDrop, iFile, nullptr, 0);
    if (nLength == 0)
        return false;
    std::wstring path(nLength + 1, L'\0');
    path.resize(::DragQueryFileW(hDrop, iFile, path.data(), nLength + 1));
    strPathUtf8 = plat::Utf8FromWide(path);
    return true;
}

INT_PTR RunModalDialog(CDialog* pDlg, const DlgTemplate& tmpl, HWND hOwner)
{
    // The system builds the dialog from the template compiled into the program.
    const INT_PTR nResult =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(tmpl.nID), hOwner,
                          &DialogProc, reinterpret_cast<LPARAM>(pDlg));
    pDlg->m_hWnd = nullptr;
    return nResult;
}

void EndModalDialog(HWND hWnd, int nResult)
{
    ::EndDialog(hWnd, nResult);
}

CWnd* GetWindowObject(HWND hWnd)
{
    return static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp));
}

LRESULT DefaultWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC oldProc = OldProcOf(hWnd);
    return oldProc ? ::CallWindowProcW(oldProc, hWnd, message, wParam, lParam)
                   : ::DefWindowProcW(hWnd, message, wParam, lParam);
}

bool GetControlText(HWND hWnd, int nID, std::string& strUtf8)
{
    const HWND hControl = ::GetDlgItem(hWnd, nID);
    if (!hControl)
        return false;
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hControl)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        ::GetWindowTextW(hControl, text.data(), static_cast<int>(text.size()))));
    strUtf8 = plat::Utf8FromWide(text);
    return true;
}

bool SetControlText(HWND hWnd, int nID, std::string_view strUtf8)
{
    return ::SetDlgItemTextW(hWnd, nID, plat::WideFromUtf8(strUtf8).c_str()) != FALSE;
}

HMENU GetWindowMenu(HWND hWnd, bool bRevert)
{
    return ::GetSystemMenu(hWnd, bRevert ? TRUE : FALSE);
}

bool IsWindowMinimized(HWND hWnd)
{
    return ::IsIconic(hWnd) != FALSE;
}

RECT GetWindowClientRect(HWND hWnd)
{
    RECT rect{0, 0, 0, 0};
    ::GetClientRect(hWnd, &rect);
    return rect;
}

bool AppendMenuItem(HMENU hMenu, UINT nFlags, UINT_PTR nID, std::string_view strTextUtf8)
{
    if (nFlags & MF_SEPARATOR)
        return ::AppendMenuW(hMenu, nFlags, 0, nullptr) != FALSE;
    return ::AppendMenuW(hMenu, nFlags, nID, plat::WideFromUtf8(strTextUtf8).c_str()) != FALSE;
}

int GetMenuItemCount(HMENU hMenu)
{
    return ::GetMenuItemCount(hMenu);
}

UINT GetMenuItemCommand(HMENU hMenu, int nPos)
{
    if (nPos < 0 || nPos >= ::GetMenuItemCount(hMenu))
        return static_cast<UINT>(-1);
    return ::GetMenuItemID(hMenu, nPos);
}

UINT GetMenuItemState(HMENU hMenu, int nPos)
{
    return ::GetMenuState(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
}

std::string GetMenuItemText(HMENU hMenu, int nPos)
{
    wchar_t szText[256] = L"";
    const int n = ::GetMenuStringW(hMenu, static_cast<UINT>(nPos), szText,
                                   static_cast<int>(std::size(szText)), MF_BYPOSITION);
    return n > 0 ? plat::Utf8FromWide(std::wstring_view(szText, static_cast<size_t>(n)))
                 : std::string();
}

HDC BeginWindowPaint(HWND hWnd)
{
    if (g_paint.hWnd)
        return nullptr;
    const HDC hDC = ::BeginPaint(hWnd, &g_paint.ps);
    if (hDC)
        g_paint.hWnd = hWnd;
    return hDC;
}

void EndWindowPaint(HWND hWnd, HDC hDC)
{
    if (!hDC || g_paint.hWnd != hWnd)
        return;
    ::EndPaint(hWnd, &g_paint.ps);
    g_paint.hWnd = nullptr;
}

bool DrawIconAt(HDC hDC, int x, int y, HICON hIcon)
{
    return hDC && hIcon && ::DrawIcon(hDC, x, y, hIcon) != FALSE;
}

} // namespace plat::ui
