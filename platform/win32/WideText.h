// ANSI text in the active code page, which --codepage may set to another than the
// system's own, to and from the UTF-16 of the system's ...W functions.
#pragma once

#include <string>
#include <string_view>

#include "CString.h"

namespace plat
{
/// The UTF-16 form of ANSI text in the active code page.
std::wstring WideFromAnsi(std::string_view ansi);
/// The ANSI form of UTF-16 text; a character the active page lacks becomes '?'.
CString AnsiFromWide(std::wstring_view wide);
/// UTF-8 to and from UTF-16; an unpaired surrogate becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
} // namespace plat
