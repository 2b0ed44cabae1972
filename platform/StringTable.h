// The program's string table (res/strings.inc), as LoadString reads it.
#pragma once

#include <string_view>

#include "Types.h"

namespace plat
{
/// The text of string nID, in the ANSI code page; empty when the table has no such string.
/// Where the system keeps string tables in the program's resources (Windows), the text
/// comes from there when the program carries one; otherwise from the compiled-in table.
std::string_view FindString(UINT nID);
/// The text of string nID as compiled in from res/strings.inc.
std::string_view FindCompiledString(UINT nID);
} // namespace plat
