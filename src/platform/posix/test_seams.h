// Seams of the POSIX layer for unit tests: the layer and the tests include this, core code never.
#pragma once
#include <ctime>

#include "platform/posix/winsock_api.h"

// Each is null in the program; when set, the layer asks it instead of the
// real service.
struct PlatformFakes {
    DWORD (*tick)(void);
    int (*startup)(WORD requested, WSADATA *data);
    BOOL (*beep)(DWORD frequency, DWORD duration_ms);
    int (*realtime)(timespec *now);  // 0 or the error number, as the clock reading
};
extern PlatformFakes platform_fakes;
// How often WSACleanup has run since the process started.
extern int platform_cleanup_calls;
