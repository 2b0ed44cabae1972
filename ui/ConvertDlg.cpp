#include "ConvertDlg.h"

#include "AboutDlg.h"
#include "ConvertCommand.h"
#include "Shell.h"

CConvertDlg::CConvertDlg(CWnd* pParent) : CDialog(CConvertDlg::IDD, pParent)
{
    // One handle serves as big and small window icon, minimised image and drag cursor.
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

BEGIN_MESSAGE_MAP(CConvertDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

BOOL CConvertDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The about entry goes below a separator at the end of the window menu; without its
    // text neither is added.
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr)
    {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty())
        {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (!m_strStartPath.IsEmpty())
        SetDlgItemText(IDC_PLAYLIST_PATH, m_strStartPath);
    DragAcceptFiles(TRUE);

    return TRUE; // the focus goes to the path field
}

void CConvertDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    // The low four bits of a system command are the platform's own; only the rest names
    // the command.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
    {
        CDialog::OnSysCommand(nID, lParam);
    }
}

// Minimised, the dialog shows the program icon centred in its client area.
void CConvertDlg::OnPaint()
{
    if (IsIconic())
    {
        CPaintDC dc(this);

        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        const int x = (rect.right - rect.left - cxIcon + 1) / 2;
        const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;

        dc.DrawIcon(x, y, m_hIcon);
    }
    else
    {
        CDialog::OnPaint();
    }
}

HCURSOR CConvertDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CConvertDlg::OnBrowse()
{
    // No existence checks: a typed name that does not exist yet is taken, with ".sqk"
    // added when it has no extension.
    CFileDialog dlg(TRUE, "sqk", nullptr, OFN_HIDEREADONLY | OFN_EXPLORER,
                    "Sonquill Playlists|*.sqk||", nullptr);
    if (dlg.DoModal() == IDOK)
        SetDlgItemText(IDC_PLAYLIST_PATH, dlg.GetPathName());
}

void CConvertDlg::OnDropFiles(HDROP hDropInfo)
{
    // Several files: the first; the dialog converts one playlist at a time.
    if (AfxGetDroppedFileCount(hDropInfo) > 0)
        SetDlgItemText(IDC_PLAYLIST_PATH, AfxGetDroppedFile(hDropInfo, 0));
}

void CConvertDlg::OnOK()
{
    CString strPlaylistPath;
    GetDlgItemText(IDC_PLAYLIST_PATH, strPlaylistPath);
    RunConversionCommand(strPlaylistPath, plat::ShellOpen);
}
