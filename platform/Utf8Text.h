// UTF-8 text at the program's edge. Inside, every text is ANSI text; the command line and
// printed text are UTF-8 (on Windows after the console layer's own conversion), and so
// are file names on POSIX. Texts are converted wherever they cross.
#pragma once

#include <string>
#include <string_view>

#include "CString.h"

namespace plat
{

/// The UTF-8 form of ANSI text. Plain ASCII passes unchanged; without a converter for
/// the active code page the bytes pass as they are (only ASCII is safe then anyway).
std::string AnsiToUtf8(std::string_view ansi);
/// The ANSI form of UTF-8 text; a character the code page lacks becomes '?',
/// and *pbLossy (when given) tells whether that happened.
CString Utf8ToAnsi(std::string_view utf8, bool* pbLossy = nullptr);

} // namespace plat
