// Hand-over of a file to the desktop: the shell's "open" verb.
#pragma once

#include <functional>

#include "CString.h"

namespace plat
{
/// Asks the desktop to open the file (ANSI text) with the application registered for its
/// type. Returns at once; whether the desktop manages is not reported.
void ShellOpen(const CString& strFile);

/// What the conversion command calls to hand its result over; tests pass their own.
using ShellOpenFn = std::function<void(const CString&)>;
} // namespace plat
