// The few Windows scalar types and limits that the program's interfaces are written in.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
using UINT = unsigned int;
using BOOL = int;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
// Path buffers hold this many characters, the terminating zero included.
#define MAX_PATH 260
#endif
