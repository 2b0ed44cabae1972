// The process entry point of a Windows GUI program built on the dialog layer: the runtime
// has built the application object; the framework takes over from here.
#include "Win32Ui.h"

#include "Console.h"
#include "WideText.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t szModule[MAX_PATH * 4] = L"";
    ::GetModuleFileNameW(nullptr, szModule, static_cast<DWORD>(std::size(szModule)));
    return AfxWinMain(static_cast<LPCTSTR>(plat::AnsiFromWide(szModule)),
                      plat::CommandLineArguments(0, nullptr));
}
