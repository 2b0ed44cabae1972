// The about box: the program's name, version and notice.
#pragma once

#include "AfxWin.h"
#include "resource.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

    enum
    {
        IDD = IDD_ABOUTBOX
    };

protected:
    DECLARE_MESSAGE_MAP()
};
