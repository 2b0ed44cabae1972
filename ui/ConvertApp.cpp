#include "ConvertApp.h"

#include "ConvertDlg.h"

BEGIN_MESSAGE_MAP(CConvertApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CConvertApp::CConvertApp()
{
}

BOOL CConvertApp::InitInstance()
{
    Enable3dControls();

    CConvertDlg dlg;
    m_pMainWnd = &dlg;
    // However the dialog ended, the program ends with it.
    [[maybe_unused]] const INT_PTR nResponse = dlg.DoModal();

    return FALSE;
}
