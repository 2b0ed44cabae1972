// What a window-system backend provides to the dialog layer of AfxWin.h. Exactly one
// backend is linked: platform/qt/ (Qt 6 Widgets) on Linux, platform/win32/ on Windows.
// What the backend calls back into the layer is in UiCallbacks.h.
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

// Start and end

/// Makes the window system ready for this process before InitInstance runs; false when
/// it cannot be (no display).
bool StartWindowSystem(const char* pszModulePath);
/// Runs the message loop until the application quits; returns the exit status.
int RunMessageLoop();
/// Ends what StartWindowSystem began, once nothing of the application is shown.
void StopWindowSystem();

// Windows

/// Builds dialog tmpl (owned by hOwner, may be null), sends it WM_INITDIALOG, shows it and
/// runs it modally until EndModalDialog; pDlg->m_hWnd is set for that time. Returns the
/// result, or -1 when the window cannot be built.
INT_PTR RunModalDialog(CDialog* pDlg, const DlgTemplate& tmpl, HWND hOwner);
void EndModalDialog(HWND hWnd, int nResult);
/// The object of a window, nullptr when none.
CWnd* GetWindowObject(HWND hWnd);
/// The window system's own handling of a message that no handler took.
LRESULT DefaultWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

/// The text of control nID, false when the window has no such control.
bool GetControlText(HWND hWnd, int nID, std::string& strUtf8);
bool SetControlText(HWND hWnd, int nID, std::string_view strUtf8);

/// The window menu of a window, nullptr when it has none (or when bRevert resets it).
HMENU GetWindowMenu(HWND hWnd, bool bRevert);
/// Lets files be dropped on a dialog and its controls; each drop is sent to the window
/// object as WM_DROPFILES, and the backend releases the drop once that returns.
void AcceptDroppedFiles(HWND hWnd, bool bAccept);
UINT GetDroppedFileCount(HDROP hDrop);
/// The full path of file iFile of a drop; false past the last file.
bool GetDroppedFile(HDROP hDrop, UINT iFile, std::string& strPathUtf8);
bool IsWindowMinimized(HWND hWnd);
RECT GetWindowClientRect(HWND hWnd);

// Menus: items are counted from 0; out-of-range positions give false, -1 or empty.

/// Adds MF_SEPARATOR, or an MF_STRING item with a command id and a text.
bool AppendMenuItem(HMENU hMenu, UINT nFlags, UINT_PTR nID, std::string_view strTextUtf8);
int GetMenuItemCount(HMENU hMenu);
/// The command id of item nPos; 0 for a separator.
UINT GetMenuItemCommand(HMENU hMenu, int nPos);
/// MF_SEPARATOR, MF_GRAYED, MF_DISABLED of item nPos; (UINT)-1 past the end.
UINT GetMenuItemState(HMENU hMenu, int nPos);
std::string GetMenuItemText(HMENU hMenu, int nPos);

// Painting: only inside the handling of WM_PAINT; elsewhere BeginWindowPaint gives nullptr.
HDC BeginWindowPaint(HWND hWnd);
void EndWindowPaint(HWND hWnd, HDC hDC);
bool DrawIconAt(HDC hDC, int x, int y, HICON hIcon);

// Application

/// Loads an icon group of the program's resources; the handle lives as long as the
/// process.
HICON LoadIconGroup(const IconResource& res);

/// A modal file dialog described by dlg; true with the chosen full path when one was
/// chosen.
bool RunFileDialog(const CFileDialog& dlg, HWND hOwner, std::string& strPathUtf8);

/// A modal message box owned by hOwner (may be null).
int ShowMessageBox(HWND hOwner, std::string_view strTextUtf8, std::string_view strCaptionUtf8,
                   UINT nType);

} // namespace plat::ui
