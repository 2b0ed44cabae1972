// What the dialog layer offers its window-system backend: the way back from the window
// system's messages to the window objects, and the text conversions at that boundary.
#pragma once

#include <string>
#include <string_view>

#include "AfxWin.h"

namespace plat::ui
{

/// Hands one message to a window object, as the window system does. An exception that
/// leaves the handler is the framework's failed command: it is reported in a message box
/// and the message counts as handled.
LRESULT DispatchToWindow(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

/// ANSI text of the active code page as UTF-8, and back ('?' for what it lacks).
std::string AnsiToUtf8(std::string_view ansi);
CString Utf8ToAnsi(std::string_view utf8);

} // namespace plat::ui
