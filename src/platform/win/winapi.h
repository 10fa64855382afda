// On Windows core code uses the real Windows Sockets 1.1 and kernel
// interfaces; this header only brings them in without the rest of windows.h
// (no min/max macros, no Windows Sockets 2 headers).
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock.h>
