// The portable part of the dialog layer: message maps and their dispatch, command routing,
// the failed-command report, and the thin classes over the backend of UiBackend.h.
#include <exception>
#include <map>
#include <memory>
#include <new>

#include "CodePage.h"
#include "FileException.h"
#include "UiBackend.h"
#include "UiCallbacks.h"
#include "Utf8Text.h"

namespace
{
CWinApp* g_pApp = nullptr;
} // namespace

namespace plat::ui
{

namespace
{
// The framework's texts for a failed command; the program's own texts are resources.
CString FailureText(const CFileException& e)
{
    CString strText = "An error occurred while accessing ";
    strText += e.m_strFileName.IsEmpty() ? CString("a file") : e.m_strFileName;
    strText += ".\n";
    strText += e.GetReason();
    strText += ".";
    return strText;
}

void ReportFailedCommand(const CString& strText)
{
    AfxMessageBox(strText, MB_OK | MB_ICONSTOP);
}
} // namespace

LRESULT DispatchToWindow(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // An exception must not unwind through the window system's own frames: the command
    // that raised it ends here, is reported, and the window goes on.
    try
    {
        return pWnd->WindowProc(message, wParam, lParam);
    }
    catch (const CFileException& e)
    {
        ReportFailedCommand(FailureText(e));
    }
    catch (const std::bad_alloc&)
    {
        ReportFailedCommand("Out of memory.");
    }
    catch (...)
    {
        ReportFailedCommand("An unexpected error ended the command.");
    }
    return 0;
}

} // namespace plat::ui

// ---------------------------------------------------------------------------------------
// CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, {nullptr}}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* p = pMap->lpEntries; p->nSig != AfxSig_end; ++p)
            if (p->nMessage == nMessage && p->nCode == nCode && nID >= p->nID &&
                nID <= p->nLastID)
                return p;
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!pEntry)
        return FALSE;
    (this->*pEntry->fn.pfn)();
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// CMenu

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    if (!hMenu)
        return nullptr;
    // One object per handle, kept for the life of the process: a window menu is made once
    // per window, and the program makes few windows.
    static auto* s_pMenus = new std::map<HMENU, std::unique_ptr<CMenu>>;
    std::unique_ptr<CMenu>& pMenu = (*s_pMenus)[hMenu];
    if (!pMenu)
    {
        pMenu = std::make_unique<CMenu>();
        pMenu->m_hMenu = hMenu;
    }
    return pMenu.get();
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    if (!m_hMenu)
        return FALSE;
    if (nFlags & MF_SEPARATOR)
        return plat::ui::AppendMenuItem(m_hMenu, nFlags, 0, {});
    return plat::ui::AppendMenuItem(m_hMenu, nFlags, nIDNewItem,
                                    plat::AnsiToUtf8(lpszNewItem ? lpszNewItem : ""));
}

UINT CMenu::GetMenuItemCount() const
{
    return m_hMenu ? static_cast<UINT>(plat::ui::GetMenuItemCount(m_hMenu))
                   : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    return m_hMenu ? plat::ui::GetMenuItemCommand(m_hMenu, nPos) : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuState(int nPos) const
{
    return m_hMenu ? plat::ui::GetMenuItemState(m_hMenu, nPos) : static_cast<UINT>(-1);
}

CString CMenu::GetMenuString(int nPos) const
{
    return m_hMenu ? plat::Utf8ToAnsi(plat::ui::GetMenuItemText(m_hMenu, nPos)) : CString();
}

// ---------------------------------------------------------------------------------------
// CDC, CPaintDC

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    return plat::ui::DrawIconAt(m_hDC, x, y, hIcon);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd)
{
    m_hDC = plat::ui::BeginWindowPaint(m_hWnd);
}

CPaintDC::~CPaintDC()
{
    plat::ui::EndWindowPaint(m_hWnd, m_hDC);
}

// ---------------------------------------------------------------------------------------
// CWnd

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd() = default;

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return hWnd ? plat::ui::GetWindowObject(hWnd) : nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWnd)
        return 0;
    return plat::ui::DispatchToWindow(this, message, wParam, lParam);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    std::string strUtf8;
    rString.Empty();
    if (m_hWnd && plat::ui::GetControlText(m_hWnd, nID, strUtf8))
        rString = plat::Utf8ToAnsi(strUtf8);
    return rString.GetLength();
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    if (m_hWnd)
        plat::ui::SetControlText(m_hWnd, nID, plat::AnsiToUtf8(lpszString ? lpszString : ""));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return m_hWnd ? CMenu::FromHandle(plat::ui::GetWindowMenu(m_hWnd, bRevert != FALSE))
                  : nullptr;
}

BOOL CWnd::IsIconic() const
{
    return m_hWnd && plat::ui::IsWindowMinimized(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    *lpRect = m_hWnd ? plat::ui::GetWindowClientRect(m_hWnd) : RECT{0, 0, 0, 0};
}

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    if (m_hWnd)
        plat::ui::AcceptDroppedFiles(m_hWnd, bAccept != FALSE);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Default() answers the message being handled; handlers may send others meanwhile.
    const CurrentMessage saved = m_msgCur;
    m_msgCur = {message, wParam, lParam};
    struct Restore
    {
        CurrentMessage& target;
        CurrentMessage value;
        ~Restore() { target = value; }
    } restore{m_msgCur, saved};

    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_msgCur.message, m_msgCur.wParam, m_msgCur.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd ? plat::ui::DefaultWindowProc(m_hWnd, message, wParam, lParam) : 0;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
    {
        *pResult = 0;
        return OnCommand(wParam, lParam);
    }
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(message, 0, 0);
    if (!pEntry)
        return FALSE;
    switch (pEntry->nSig)
    {
    case AfxSig_vwl:
        (this->*pEntry->fn.pfnWL)(static_cast<UINT>(wParam), lParam);
        *pResult = 0;
        return TRUE;
    case AfxSig_hv:
        *pResult = reinterpret_cast<LRESULT>((this->*pEntry->fn.pfnHV)());
        return TRUE;
    case AfxSig_pv:
        (this->*pEntry->fn.pfnWV)();
        *pResult = 0;
        return TRUE;
    case AfxSig_vD:
        (this->*pEntry->fn.pfnWD)(reinterpret_cast<HDROP>(wParam));
        *pResult = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}

void CWnd::OnDropFiles(HDROP)
{
    Default();
}

// ---------------------------------------------------------------------------------------
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    const plat::ui::DlgTemplate* pTemplate = plat::ui::FindDialogTemplate(m_nIDTemplate);
    if (!pTemplate || m_hWnd)
        return -1;
    // Without a parent the main window owns the dialog, unless this is the main window.
    CWnd* pOwner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    const HWND hOwner = pOwner && pOwner != this ? pOwner->m_hWnd : nullptr;
    return plat::ui::RunModalDialog(this, *pTemplate, hOwner);
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd)
        plat::ui::EndModalDialog(m_hWnd, nResult);
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_INITDIALOG)
    {
        *pResult = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    // What no window takes goes to the application, as the help command does.
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode);
}

// ---------------------------------------------------------------------------------------
// CFileDialog

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                         DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(lpszDefExt), m_strFileName(lpszFileName),
      m_dwFlags(dwFlags), m_filters(ParseFilter(lpszFilter)), m_pParentWnd(pParentWnd)
{
}

std::vector<CFileDialog::Filter> CFileDialog::ParseFilter(LPCTSTR lpszFilter)
{
    std::vector<Filter> filters;
    if (!lpszFilter)
        return filters;
    const std::string_view text(lpszFilter);
    size_t pos = 0;
    auto nextField = [&](std::string_view& field) {
        const size_t bar = text.find('|', pos);
        if (bar == std::string_view::npos)
            return false;
        field = text.substr(pos, bar - pos);
        pos = bar + 1;
        return true;
    };
    std::string_view label, patterns;
    while (nextField(label) && !label.empty() && nextField(patterns))
    {
        Filter filter{CString(label), {}};
        size_t start = 0;
        while (start <= patterns.size())
        {
            size_t semi = patterns.find(';', start);
            if (semi == std::string_view::npos)
                semi = patterns.size();
            if (semi > start)
                filter.patterns.emplace_back(patterns.substr(start, semi - start));
            start = semi + 1;
        }
        if (!filter.patterns.empty())
            filters.push_back(std::move(filter));
    }
    return filters;
}

INT_PTR CFileDialog::DoModal()
{
    CWnd* pOwner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    std::string strPathUtf8;
    if (!plat::ui::RunFileDialog(*this, pOwner ? pOwner->m_hWnd : nullptr, strPathUtf8))
        return IDCANCEL;
    m_strPathName = plat::Utf8ToAnsi(strPathUtf8);
    return IDOK;
}

// ---------------------------------------------------------------------------------------
// CWinApp

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
{
    if (lpszAppName)
        m_strAppName = lpszAppName;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (size_t i = 0; i < m_argsUtf8.size(); ++i)
    {
        const std::string& arg = m_argsUtf8[i];
        const bool bFlag = arg.size() > 0 && arg[0] == '-';
        const CString strParam = plat::Utf8ToAnsi(bFlag ? arg.substr(1) : arg);
        rCmdInfo.ParseParam(strParam, bFlag, i + 1 == m_argsUtf8.size());
    }
}

BOOL CWinApp::Enable3dControls()
{
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    const plat::ui::IconResource* pRes = plat::ui::FindIconResource(nIDResource);
    return pRes ? plat::ui::LoadIconGroup(*pRes) : nullptr;
}

void CWinApp::OnHelp()
{
}

void CCommandLineInfo::ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL)
{
    // Only the first file named counts; the dialog holds one path.
    if (!bFlag && m_strFileName.IsEmpty())
        m_strFileName = pszParam;
}

UINT AfxGetDroppedFileCount(HDROP hDropInfo)
{
    return hDropInfo ? plat::ui::GetDroppedFileCount(hDropInfo) : 0;
}

CString AfxGetDroppedFile(HDROP hDropInfo, UINT iFile)
{
    std::string strPathUtf8;
    if (!hDropInfo || !plat::ui::GetDroppedFile(hDropInfo, iFile, strPathUtf8))
        return CString();
    return plat::Utf8ToAnsi(strPathUtf8);
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(const CString& strText, UINT nType)
{
    CWnd* pMain = AfxGetMainWnd();
    const std::string strCaption = g_pApp ? g_pApp->m_strAppName : std::string();
    return plat::ui::ShowMessageBox(pMain ? pMain->m_hWnd : nullptr,
                                    plat::AnsiToUtf8(strText.View()), strCaption, nType);
}
