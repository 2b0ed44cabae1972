// The one place the backend takes the system's header from: without its min/max macros,
// and without the parts of it nothing here uses.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The header's A/W macros would rename the platform layer's own functions of these names;
// the backend calls the system's by their full ...W names.
#undef GetCurrentDirectory
#undef GetFullPathName
#undef LoadString
#undef SetCurrentDirectory
