// File-system text at the program's edge. Inside, a name is ANSI text; the file system
// (and the command line, and the terminal) speaks UTF-8 on POSIX. Names are converted
// wherever they cross: open, folder change, folder read, arguments, printed paths.
#pragma once

#include <string>
#include <string_view>

#include "CString.h"

namespace plat
{

/// The file system's form of an ANSI name. Plain ASCII passes unchanged.
std::string AnsiToFileSystem(const CString& strName);
/// The ANSI form of a file-system name; a character the code page lacks becomes '?',
/// and *pbLossy (when given) tells whether that happened.
CString FileSystemToAnsi(std::string_view name, bool* pbLossy = nullptr);

} // namespace plat
