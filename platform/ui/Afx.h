// The scalar types, constants and small helpers of the window system that the dialog code
// is written in: handles, message numbers, window styles, menu and dialog flags.
//
// The values are the platform's own, so that templates and message numbers mean the same
// to every backend. The handles are opaque: each backend defines what they point to.
//
// On Windows the names are the system's: a Win32 backend source includes the system's
// header first and this file then declares nothing of its own; every other source gets the
// same types under the same names (tagRECT, unsigned long DWORD), so both link as one.
#pragma once

#include <cstdint>

#include "Types.h"

#if !(defined(_WIN32) && defined(_WINDOWS_))
#define SQK_AFX_DECLARES_SYSTEM_NAMES 1
#endif

#ifdef SQK_AFX_DECLARES_SYSTEM_NAMES
using WORD = unsigned short;
#ifdef _WIN32
using DWORD = unsigned long;
using LONG = long;
#else
using DWORD = unsigned int;
using LONG = int;
#endif
using BYTE = unsigned char;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCTSTR = const char*;
using LANGID = WORD;

// Handles: pointers to backend objects, never dereferenced outside the backend.
struct HWND__;
using HWND = HWND__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON; // as on the platform: a cursor handle is an icon handle
struct HMENU__;
using HMENU = HMENU__*;
struct HDC__;
using HDC = HDC__*;
struct HDROP__;
using HDROP = HDROP__*; ///< the files of one drop (WM_DROPFILES)

struct tagRECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using RECT = tagRECT;
using LPRECT = RECT*;

struct tagPOINT
{
    LONG x;
    LONG y;
};
using POINT = tagPOINT;

#ifdef _WIN32
// The system's own: user32 and kernel32 export them.
extern "C" __declspec(dllimport) int __stdcall MulDiv(int a, int b, int c);
extern "C" __declspec(dllimport) int __stdcall GetSystemMetrics(int nIndex);
#else
/// a * b / c, rounded to the nearest integer (halves away from zero); -1 when c is 0.
int MulDiv(int a, int b, int c);
/// A size of the window system (SM_CXICON ...); 0 for an index it does not know.
int GetSystemMetrics(int nIndex);
#endif

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(lo | (DWORD(hi) << 16)); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(lo | (DWORD(hi) << 16)); }

// Messages
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_DROPFILES 0x0233

// WM_SETICON
#define ICON_SMALL 0
#define ICON_BIG 1

// System commands
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100
#define SC_RESTORE 0xF120

// Notification codes of WM_COMMAND
#define BN_CLICKED 0

// Dialog command ids
#define IDOK 1
#define IDCANCEL 2

// Window styles
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_EX_APPWINDOW 0x00040000u

// Dialog styles
#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define DS_CENTER 0x0800u

// Edit control styles
#define ES_MULTILINE 0x0004u
#define ES_PASSWORD 0x0020u
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u

// Button styles
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_TYPEMASK 0xFu

// Static control styles
#define SS_LEFT 0x0u
#define SS_CENTER 0x1u
#define SS_RIGHT 0x2u
#define SS_TYPEMASK 0x1Fu
#define SS_NOPREFIX 0x80u

// Menu flags
#define MF_STRING 0x0000u
#define MF_GRAYED 0x0001u
#define MF_DISABLED 0x0002u
#define MF_SEPARATOR 0x0800u

// System metrics
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

// File dialog flags
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_ALLOWMULTISELECT 0x00000200u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_EXPLORER 0x00080000u

// Message box types and results
#define MB_OK 0x0u
#define MB_ICONEXCLAMATION 0x30u
#define MB_ICONSTOP 0x10u
#endif // SQK_AFX_DECLARES_SYSTEM_NAMES

// The resource headers' name for controls that need no id of their own.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The framework's standard help command.
#define ID_HELP 0xE146
