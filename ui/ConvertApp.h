// The application object: its whole life is the main dialog, run modally.
#pragma once

#include "AfxWin.h"

class CConvertApp : public CWinApp
{
public:
    CConvertApp();

    /// Shows the main dialog until it is cancelled; always FALSE, so the framework ends
    /// the program without a message loop of its own.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
