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

    // "sqk2xml PATH" (a file opened from the desktop) starts with PATH in the path field;
    // without a path the dialog starts empty, as it always did.
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    CConvertDlg dlg;
    dlg.m_strStartPath = cmdInfo.m_strFileName;
    m_pMainWnd = &dlg;
    // However the dialog ended, the program ends with it.
    [[maybe_unused]] const INT_PTR nResponse = dlg.DoModal();

    return FALSE;
}
