// Win32 implementation of the application part of platform/ui/UiBackend.h: start and end,
// the program icon, the common file dialog and the message box.
#include "Win32Ui.h"

#include <commctrl.h>

#include "WideText.h"

namespace plat::ui
{

bool StartWindowSystem(const char*)
{
    // The manifest asks for version 6 of the common controls; they draw themselves in the
    // look of the system once registered.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    return true;
}

int RunMessageLoop()
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void StopWindowSystem()
{
}

HICON LoadIconGroup(const IconResource& res)
{
    // The group compiled into the program, at the standard large size; a shared icon,
    // never destroyed.
    return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(res.nID));
}

bool RunFileDialog(const CFileDialog& dlg, HWND hOwner, std::string& strPathUtf8)
{
    // "label\0pattern;pattern\0...\0\0"
    std::wstring filter;
    for (const CFileDialog::Filter& entry : dlg.m_filters)
    {
        filter += plat::WideFromAnsi(entry.strLabel.View());
        filter += L'\0';
        for (size_t i = 0; i < entry.patterns.size(); ++i)
        {
            if (i > 0)
                filter += L';';
            filter += plat::WideFromAnsi(entry.patterns[i].View());
        }
        filter += L'\0';
    }
    filter += L'\0';
    const std::wstring defExt = plat::WideFromAnsi(dlg.m_strDefExt.View());
    std::wstring file = plat::WideFromAnsi(dlg.m_strFileName.View());
    file.resize(std::max<size_t>(file.size() + 1, 32768), L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = dlg.m_filters.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
    ofn.Flags = dlg.m_dwFlags;
    const BOOL bChosen = dlg.m_bOpenFileDialog ? ::GetOpenFileNameW(&ofn)
                                               : ::GetSaveFileNameW(&ofn);
    if (!bChosen)
        return false;
    strPathUtf8 = plat::Utf8FromWide(file.c_str());
    return true;
}

int ShowMessageBox(HWND hOwner, std::string_view strTextUtf8, std::string_view strCaptionUtf8,
                   UINT nType)
{
    return ::MessageBoxW(hOwner, plat::WideFromUtf8(strTextUtf8).c_str(),
                         plat::WideFromUtf8(strCaptionUtf8).c_str(), nType);
}

} // namespace plat::ui
