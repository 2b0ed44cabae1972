// The few Windows scalar types and limits that the program's interfaces are written in,
// declared here on every system: the system's own headers stay inside the backends.
#pragma once

using UINT = unsigned int;
using BOOL = int;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
// Path buffers hold this many characters, the terminating zero included.
#ifndef MAX_PATH
#define MAX_PATH 260
#endif
