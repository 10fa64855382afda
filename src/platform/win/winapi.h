// On Windows core code uses the real Windows Sockets 1.1 and kernel
// interfaces; this header only brings them in without the rest of windows.h
// (no min/max macros, no Windows Sockets 2 headers). The tick is the real
// GetTickCount: it moves by the timer interrupt (10 to 16 ms; under Wine by
// 1 ms), and the 32-bit wrapping millisecond count is exactly what it gives.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock.h>
