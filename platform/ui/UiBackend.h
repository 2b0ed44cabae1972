// What a window-system backend provides to the dialog layer of AfxWin.h. One backend is
// linked: platform/qt/ now (Qt 6 Widgets), a Win32 one later.
//
// Texts cross this interface as UTF-8; the layer converts them from and to the ANSI code
// page. Handles are the backend's own objects.
#pragma once

#include <string>
#include <string_view>

#include "AfxWin.h"
#include "Resources.h"

namespace plat::ui
{

// Windows

/// Builds the dialog from its template, owned by hOwner (may be null), sends it
/// WM_INITDIALOG, shows it and runs it modally until EndModalDialog; pDlg->m_hWnd is set
/// for that time. Returns the result, or -1 when the window cannot be built.
INT_PTR RunModalDialog(CDialog* pDlg, const DlgTemplate& tmpl, HWND hOwner);
void EndModalDialog(HWND hWnd, int nResult);
/// The object of a window, nullptr when none.
CWnd* GetWindowObject(HWND hWnd);
/// The window system's own handling of a message that no handler took.
LRESULT DefaultWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

/// The text of control nID, false when the window has no such control.
bool GetControlText(HWND hWnd, int nID, std::string& strUtf8);
bool SetControlText(HWND hWnd, int nID, std::string_view strUtf8);

/// The window menu of a window (built when the window is), nullptr when it has none.
HMENU GetWindowMenu(HWND hWnd, bool bRevert);
bool IsWindowMinimized(HWND hWnd);
RECT GetWindowClientRect(HWND hWnd);

// Painting: only inside the handling of WM_PAINT; elsewhere BeginWindowPaint gives nullptr.
HDC BeginWindowPaint(HWND hWnd);
void EndWindowPaint(HWND hWnd, HDC hDC);
bool DrawIconAt(HDC hDC, int x, int y, HICON hIcon);

// Application

/// Loads an icon group from its .ico bytes; the handle lives as long as the process.
HICON LoadIconGroup(const IconResource& res);
int GetMetric(int nIndex);

/// A modal file dialog described by dlg; true with the chosen full path when one was
/// chosen.
bool RunFileDialog(const CFileDialog& dlg, HWND hOwner, std::string& strPathUtf8);

/// A modal message box owned by hOwner (may be null).
int ShowMessageBox(HWND hOwner, std::string_view strTextUtf8, std::string_view strCaptionUtf8,
               UINT nType);

// For the backend: hands one message to a window object, as the window system does.
// An exception that leaves the handler is the framework's failed command: it is reported
// in a message box and the message counts as handled.
LRESULT DispatchToWindow(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

/// ANSI text of the active code page as UTF-8, and back ('?' for what it lacks).
std::string AnsiToUtf8(std::string_view ansi);
CString Utf8ToAnsi(std::string_view utf8);

} // namespace plat::ui
