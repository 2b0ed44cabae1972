// The main dialog: the playlist path, Browse and Convert.
#pragma once

#include "AfxWin.h"
#include "resource.h"

class CConvertDlg : public CDialog
{
public:
    explicit CConvertDlg(CWnd* pParent = nullptr);

    enum
    {
        IDD = IDD_MAIN
    };

    CString m_strStartPath; ///< the path field's text when the dialog opens; may be empty

protected:
    HICON m_hIcon; ///< the program icon, shared: never freed

    BOOL OnInitDialog() override;
    /// Convert: the conversion command on the path field's text; the dialog stays open.
    void OnOK() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnBrowse();
    /// A file dropped on the dialog: its path replaces the field's text.
    afx_msg void OnDropFiles(HDROP hDropInfo);

    DECLARE_MESSAGE_MAP()
};
