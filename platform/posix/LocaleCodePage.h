// POSIX has no active ANSI code page: the locale stands for it.
#pragma once

#include <string_view>

#include "Types.h"

namespace plat
{
/// The code page Windows would choose for a locale name such as "ja_JP.UTF-8";
/// 1252 for the C and POSIX locales and every language without a page of its own.
UINT CodePageForLocale(std::string_view locale);
/// The code page for this process's locale (LC_ALL, else LC_CTYPE, else LANG).
UINT CodePageFromEnvironment();
} // namespace plat
