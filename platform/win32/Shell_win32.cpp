// Windows implementation of platform/Shell.h: the shell's own "open" verb.
#include "Shell.h"
#include "WideText.h"
#include "Win32.h"

#include <shellapi.h>

namespace plat
{

void ShellOpen(const CString& strFile)
{
    // Shown normally: the user asked to see the result. Whether the shell manages is not
    // reported.
    ::ShellExecuteW(nullptr, L"open", WideFromAnsi(strFile.View()).c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
}

} // namespace plat
