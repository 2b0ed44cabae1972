// The framework's start-up, the same on every window system: the runtime has built the
// application object before the backend's process entry calls AfxWinMain.
#include <string_view>
#include <utility>

#include "UiBackend.h"

namespace
{
// "C:\Programs\sqk2xml.exe" and "/usr/bin/sqk2xml" both name the application "sqk2xml".
std::string AppNameFromModule(std::string_view module)
{
    const size_t slash = module.find_last_of("/\\");
    if (slash != std::string_view::npos)
        module.remove_prefix(slash + 1);
    const size_t dot = module.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        module = module.substr(0, dot);
    return std::string(module.empty() ? std::string_view("sqk2xml") : module);
}

struct WindowSystemSession
{
    ~WindowSystemSession() { plat::ui::StopWindowSystem(); }
};
} // namespace

int AfxWinMain(const char* pszModulePath, std::vector<std::string> argsUtf8)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp || !plat::ui::StartWindowSystem(pszModulePath))
        return 1;
    const WindowSystemSession session;
    if (pApp->m_strAppName.empty())
        pApp->m_strAppName = AppNameFromModule(pszModulePath ? pszModulePath : "");
    pApp->m_argsUtf8 = std::move(argsUtf8);
    const BOOL bRun = pApp->InitInstance();
    // The main window was a local of InitInstance: nothing may reach it from here on.
    pApp->m_pMainWnd = nullptr;
    if (!bRun)
        return 0; // the usual end of a dialog program: no message loop
    return plat::ui::RunMessageLoop();
}
