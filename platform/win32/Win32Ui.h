// The system's header for the dialog layer's Win32 backend, then the layer's own: the
// header's A/W macros would rename the layer's members of the same names (CMenu::AppendMenu,
// CWnd::SendMessage ...), so the backend calls the system's by their full ...W names.
#pragma once

#include "Win32.h"

#include <commdlg.h> // not part of the lean header; the layer names its flags
#include <shellapi.h> // dropped files

#undef AppendMenu
#undef DefWindowProc
#undef GetDlgItemText
#undef GetMenuString
#undef LoadIcon
#undef SendMessage
#undef SetDlgItemText

#include "AfxWin.h"
#include "UiBackend.h"
#include "UiCallbacks.h"
