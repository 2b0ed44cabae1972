// The dialog part of the platform class library: application object, windows with message
// maps, template dialogs, the file-open dialog, menus and painting.
//
// Written against the backend interface of UiBackend.h only, so the same classes serve
// every window system; the backend calls back through UiCallbacks.h. Texts are ANSI (CString); the backend speaks Unicode, and the
// conversion happens at that boundary.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Afx.h"
#include "CString.h"

class CCmdTarget;
class CWnd;
class CMenu;

// ---------------------------------------------------------------------------------------
// Message maps

/// What a handler of a message map looks like; the entry's nSig says which member is set.
enum AfxSig
{
    AfxSig_end = 0, ///< end of the map
    AfxSig_vv,      ///< void ()                  commands
    AfxSig_vwl,     ///< void (UINT, LPARAM)      WM_SYSCOMMAND
    AfxSig_hv,      ///< HCURSOR ()               WM_QUERYDRAGICON
    AfxSig_pv,      ///< void ()                  WM_PAINT
    AfxSig_vD,      ///< void (HDROP)             WM_DROPFILES
};

using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PMSG_WL = void (CWnd::*)(UINT, LPARAM);
using AFX_PMSG_HV = HCURSOR (CWnd::*)();
using AFX_PMSG_WV = void (CWnd::*)();
using AFX_PMSG_WD = void (CWnd::*)(HDROP);

/// One handler; the union keeps each handler in its own type, so no cast between member
/// function types is needed.
union AfxMsgFn
{
    AFX_PMSG pfn;
    AFX_PMSG_WL pfnWL;
    AFX_PMSG_HV pfnHV;
    AFX_PMSG_WV pfnWV;
    AFX_PMSG_WD pfnWD;
};

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage; ///< window message (WM_COMMAND for commands)
    UINT nCode;    ///< notification code of a command
    UINT nID;      ///< first control or command id
    UINT nLastID;  ///< last id of a range
    int nSig;      ///< AfxSig
    AfxMsgFn fn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                 \
protected:                                                                                    \
    static const AFX_MSGMAP* GetThisMessageMap();                                             \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }         \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                           \
    {                                                                                         \
        using ThisClass [[maybe_unused]] = theClass;                                          \
        using TheBaseClass = baseClass;                                                       \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                     \
    {0, 0, 0, 0, AfxSig_end, {nullptr}}                                                       \
    }                                                                                         \
    ;                                                                                         \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                       \
    }

#define ON_COMMAND(id, memberFxn)                                                             \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv,                  \
     {.pfn = static_cast<AFX_PMSG>(&ThisClass::memberFxn)}},
#define ON_BN_CLICKED(id, memberFxn)                                                          \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv,         \
     {.pfn = static_cast<AFX_PMSG>(&ThisClass::memberFxn)}},
#define ON_WM_SYSCOMMAND()                                                                    \
    {WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl,                                                      \
     {.pfnWL = static_cast<AFX_PMSG_WL>(&ThisClass::OnSysCommand)}},
#define ON_WM_PAINT()                                                                         \
    {WM_PAINT, 0, 0, 0, AfxSig_pv, {.pfnWV = static_cast<AFX_PMSG_WV>(&ThisClass::OnPaint)}},
#define ON_WM_QUERYDRAGICON()                                                                 \
    {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv,                                                    \
     {.pfnHV = static_cast<AFX_PMSG_HV>(&ThisClass::OnQueryDragIcon)}},

#define ON_WM_DROPFILES()                                                                     \
    {WM_DROPFILES, 0, 0, 0, AfxSig_vD,                                                        \
     {.pfnWD = static_cast<AFX_PMSG_WD>(&ThisClass::OnDropFiles)}},

#define afx_msg

// ---------------------------------------------------------------------------------------

/// Anything that can receive commands through a message map.
class CCmdTarget
{
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    /// Calls the handler of command nID with notification nCode; FALSE when the maps of
    /// this object have none.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    /// The first entry for the message, searching the class's map and then its bases'.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

/// A menu: the handle, and the operations on it.
class CMenu
{
public:
    HMENU m_hMenu = nullptr;

    /// The menu object of a handle; it lives as long as the process.
    static CMenu* FromHandle(HMENU hMenu);
    HMENU GetSafeHmenu() const { return m_hMenu; }

    /// Adds an item at the end: MF_SEPARATOR, or MF_STRING with a command id and a text
    /// ("&" marks the access key, a tab starts the shortcut text).
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    UINT GetMenuItemCount() const;
    /// The command id of the item at nPos; 0 for a separator, -1 past the end.
    UINT GetMenuItemID(int nPos) const;
    /// The state flags of the item at nPos (MF_SEPARATOR, MF_GRAYED ...).
    UINT GetMenuState(int nPos) const;
    /// The text of the item at nPos.
    CString GetMenuString(int nPos) const;
};

/// A device context: drawing on a window.
class CDC
{
public:
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    /// Draws the icon at its standard large size with its top-left corner at x, y.
    BOOL DrawIcon(int x, int y, HICON hIcon);
};

/// The device context of one WM_PAINT: painting begins with it and ends with it.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC();

private:
    HWND m_hWnd;
};

/// A window of the window system and the object that handles its messages.
class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    /// The object of a window handle; nullptr when the handle belongs to no object.
    static CWnd* FromHandle(HWND hWnd);

    /// Dispatches a message to this window through its message map, at once.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    /// The text of control nID converted to the ANSI code page (a character it lacks
    /// becomes '?'); returns its length, 0 when there is no such control.
    int GetDlgItemText(int nID, CString& rString) const;
    /// Sets the text of control nID from ANSI text.
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    /// The window menu of this window (bRevert FALSE: its own copy); nullptr when the
    /// window has none.
    CMenu* GetSystemMenu(BOOL bRevert) const;
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    /// Lets files be dropped on the window: each drop arrives as WM_DROPFILES.
    void DragAcceptFiles(BOOL bAccept = TRUE);

    /// Handles one message: the message map first, the default processing otherwise.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    /// The default processing of the message being handled.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    /// Finds and calls the map's handler; FALSE when there is none.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // Handlers with the default processing, for maps that name them without overriding.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    /// The files of a drop; they are released once the handler returns.
    afx_msg void OnDropFiles(HDROP hDropInfo);

    DECLARE_MESSAGE_MAP()

private:
    struct CurrentMessage
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_msgCur{};
};

/// A modal dialog built from a dialog template of the program's resources.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    /// Runs the dialog until it ends; returns the result given to EndDialog, or -1 when
    /// the dialog cannot be created.
    virtual INT_PTR DoModal();
    /// Called once the controls exist, before the dialog shows; TRUE gives the focus to
    /// the first control with WS_TABSTOP.
    virtual BOOL OnInitDialog();
    /// Ends the modal loop with nResult once the current message has been handled.
    void EndDialog(int nResult);

    BOOL OnCmdMsg(UINT nID, int nCode) override;

protected:
    virtual void OnOK();     ///< IDOK: ends the dialog with IDOK
    virtual void OnCancel(); ///< IDCANCEL: ends the dialog with IDCANCEL
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

/// The file-open (or save) dialog.
class CFileDialog
{
public:
    /// lpszFilter: "label|patterns|label|patterns||", patterns separated by ";".
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    virtual ~CFileDialog() = default;

    /// IDOK when a file was chosen, IDCANCEL otherwise.
    virtual INT_PTR DoModal();
    /// The full path of the chosen file, in the ANSI code page.
    CString GetPathName() const { return m_strPathName; }

    struct Filter
    {
        CString strLabel;
        std::vector<CString> patterns;
    };
    /// The entries of a filter string; an entry without its pattern part is dropped.
    static std::vector<Filter> ParseFilter(LPCTSTR lpszFilter);

    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFileName;
    DWORD m_dwFlags;
    std::vector<Filter> m_filters;
    CWnd* m_pParentWnd;
    CString m_strPathName;
};

/// What the command line asks for. The first argument that is no option (an option
/// starts with "-") is the file to open; every other argument is passed over.
class CCommandLineInfo
{
public:
    virtual ~CCommandLineInfo() = default;
    /// Called for each argument in turn; bFlag for an option, given without its "-".
    virtual void ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL bLast);

    CString m_strFileName; ///< empty when no file was named
};

/// The application object; exactly one exists.
class CWinApp : public CCmdTarget
{
public:
    /// lpszAppName nullptr: the name is derived from the executable's.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    /// Called once at start; FALSE ends the application without a message loop.
    virtual BOOL InitInstance();
    /// Hands each command-line argument (after the program's name) to rCmdInfo.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    /// Loads an icon group of the program's resources at the standard large-icon size.
    /// The handle is shared and stays valid for the life of the process.
    HICON LoadIcon(UINT nIDResource) const;

    CWnd* m_pMainWnd = nullptr;
    std::string m_strAppName;
    /// The arguments after the program's name, as UTF-8; set by AfxWinMain.
    std::vector<std::string> m_argsUtf8;

    /// The standard help command: the program ships no help file, so nothing shows.
    afx_msg void OnHelp();

protected:
    /// The three-dimensional look of dialog controls: every backend draws it already.
    BOOL Enable3dControls();

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
/// The framework's entry point, called by the backend's process entry: sets up the window
/// system, runs InitInstance and returns the process's exit status (0 when InitInstance
/// returns FALSE). The program's own path gives its name; the arguments (UTF-8) are kept
/// for ParseCommandLine.
int AfxWinMain(const char* pszModulePath, std::vector<std::string> argsUtf8 = {});
/// The number of files of a drop.
UINT AfxGetDroppedFileCount(HDROP hDropInfo);
/// The full path of file iFile of a drop, in the ANSI code page ('?' for a character the
/// page lacks); empty past the last file.
CString AfxGetDroppedFile(HDROP hDropInfo, UINT iFile);
/// Shows a message box over the main window; returns the button pressed.
int AfxMessageBox(const CString& strText, UINT nType = MB_OK | MB_ICONEXCLAMATION);
