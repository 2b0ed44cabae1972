// The program's string table (res/strings.inc), as LoadString reads it.
#pragma once

#include <string_view>

#include "Types.h"

namespace plat
{
/// The text of string nID; empty when the table has no such string.
std::string_view FindString(UINT nID);
} // namespace plat
