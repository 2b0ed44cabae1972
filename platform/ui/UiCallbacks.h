// What the dialog layer offers its window-system backend: the way back from the window
// system's messages to the window objects. Texts cross that boundary as UTF-8, through
// Utf8Text.h, like every other text at the program's edge.
#pragma once

#include "AfxWin.h"

namespace plat::ui
{

/// Hands one message to a window object, as the window system does. An exception that
/// leaves the handler is the framework's failed command: it is reported in a message box
/// and the message counts as handled.
LRESULT DispatchToWindow(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace plat::ui
