// Windows implementation of WideText.h: the system's own conversions, told the active
// code page rather than CP_ACP.
#include "WideText.h"

#include "CodePage.h"
#include "Win32.h"

namespace plat
{
namespace
{
std::wstring ToWide(UINT cp, std::string_view text)
{
    if (text.empty())
        return {};
    const int n = static_cast<int>(text.size());
    const int nWide = ::MultiByteToWideChar(cp, 0, text.data(), n, nullptr, 0);
    std::wstring wide(static_cast<size_t>(nWide), L'\0');
    if (nWide > 0)
        ::MultiByteToWideChar(cp, 0, text.data(), n, wide.data(), nWide);
    return wide;
}

std::string FromWide(UINT cp, std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int n = static_cast<int>(wide.size());
    // No best fit: a look-alike character could name another file.
    const DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int nBytes = ::WideCharToMultiByte(cp, flags, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(nBytes), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(cp, flags, wide.data(), n, text.data(), nBytes, nullptr, nullptr);
    return text;
}
} // namespace

// A page the system cannot convert (SetACP takes any number) falls back to its own.
std::wstring WideFromAnsi(std::string_view ansi)
{
    return ::IsValidCodePage(GetACP()) ? ToWide(GetACP(), ansi) : ToWide(CP_ACP, ansi);
}

CString AnsiFromWide(std::wstring_view wide)
{
    return CString(::IsValidCodePage(GetACP()) ? FromWide(GetACP(), wide) : FromWide(CP_ACP, wide));
}

std::wstring WideFromUtf8(std::string_view utf8)
{
    return ToWide(CP_UTF8, utf8);
}

std::string Utf8FromWide(std::wstring_view wide)
{
    return FromWide(CP_UTF8, wide);
}

} // namespace plat
