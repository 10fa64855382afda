// The one header core code includes for system services. Core code calls the
// Windows Sockets and kernel names (socket, recv, WSAGetLastError, GetTickCount,
// Beep, LoadStringA, ...); on Windows they are the real ones, elsewhere our own
// layer gives them Windows behaviour and Windows error numbers.
#pragma once
#ifdef _WIN32
#include "platform/win/winapi.h"
#else
#include "platform/posix/winapi.h"
#endif

#include <cstddef>

#include "platform/peer.h"

// Services of our own that both layers provide.

// Called first in main, before the first print or socket: makes sure the
// standard streams are open where the platform can start a process without
// them, so that no socket takes the number of one.
void console_start(void);

// True when standard output is a terminal or console: every print is then
// flushed at once so a progress line without a line end still shows.
bool console_is_terminal(void);

// How many columns a line may fill on standard output's terminal or console
// and still be taken back to its start by a carriage return, read now; 0 where
// it cannot be read.
int console_line_room(void);

// The last backslash in text, or null. Aware of double-byte code pages where
// the platform has them, so a trail byte equal to '\\' is not taken for one.
const char *find_last_backslash(const char *text);

// The process exit status for a run's result. A platform that keeps only the
// low 8 bits of a status must never turn a failure into 0.
int exit_status(int result);
