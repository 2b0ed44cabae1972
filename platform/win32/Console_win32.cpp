// Windows implementation of platform/Console.h: the wide command line, and the console's
// own UTF-16 output where stdout or stderr is one.
#include <algorithm>
#include <cstdio>

#include "Console.h"
#include "WideText.h"
#include "Win32.h"

#include <shellapi.h>

namespace plat
{

void PrepareCommandLineProcess()
{
    // A missing disk or a drive that is not ready must fail the open, not ask the user.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::vector<std::string> CommandLineArguments(int, char**)
{
    // The narrow arguments are already in the system's code page, and a name it cannot
    // spell is lost there: the wide command line keeps it until the active page is known.
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv && i < argc; ++i)
        args.push_back(Utf8FromWide(argv[i]));
    ::LocalFree(argv);
    return args;
}

bool WriteText(std::FILE* stream, std::string_view text)
{
    HANDLE hConsole = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(hConsole, &mode))
        return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    std::fflush(stream);
    const std::wstring wide = WideFromUtf8(text);
    for (size_t i = 0; i < wide.size();)
    {
        DWORD nWritten = 0;
        const auto nChunk = static_cast<DWORD>(std::min<size_t>(wide.size() - i, 8192));
        if (!::WriteConsoleW(hConsole, wide.data() + i, nChunk, &nWritten, nullptr) ||
            nWritten == 0)
            return false;
        i += nWritten;
    }
    return true;
}

} // namespace plat
