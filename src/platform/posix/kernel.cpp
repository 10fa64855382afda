// Start and stop of the socket layer, the millisecond tick, the local time
// and the beep.
#include <cerrno>
#include <cstring>
#include <ctime>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/kd.h>
#endif
#ifdef PIPEMETER_STATIC_PROGRAM
#include <nss.h>
#endif

#include "platform/posix/layer.h"
#include "platform/posix/test_seams.h"

PlatformFakes platform_fakes = {nullptr, nullptr, nullptr, nullptr};
int platform_cleanup_calls = 0;

int WSAStartup(WORD requested, WSADATA *data) {
    if (platform_fakes.startup != nullptr) return platform_fakes.startup(requested, data);
    if (data == nullptr) return wsa_from_errno(EFAULT);
#ifdef PIPEMETER_STATIC_PROGRAM
    // A static program carries its own C library: a name-service module of
    // the host's (mdns, resolve, ldap in nsswitch.conf), built for the host's
    // C library, must never be loaded into it. Host names come from
    // /etc/hosts, then DNS, which are built in.
    __nss_configure_lookup("hosts", "files dns");
#endif
    memset(data, 0, sizeof *data);
    // This layer implements exactly version 1.1; like Windows, it grants the
    // highest version it has that is not above the one asked for.
    data->wVersion = MAKEWORD(1, 1);
    data->wHighVersion = MAKEWORD(1, 1);
    strcpy(data->szDescription, "POSIX sockets with Windows Sockets 1.1 behaviour");
    strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = max_sockets;
    return 0;
}

int WSACleanup(void) {
    ++platform_cleanup_calls;
    close_all_sockets();
    return 0;
}

// 0 or the error number. A clock can fail: a 32-bit time_t cannot hold a
// date after 2038-01-19 03:14:07 UTC (EOVERFLOW), and what it wrote is then
// not to be read.
static int read_clock(clockid_t clock, timespec *now) {
    if (clock == CLOCK_REALTIME && platform_fakes.realtime != nullptr) return platform_fakes.realtime(now);
    return clock_gettime(clock, now) == 0 ? 0 : errno;
}

// Milliseconds of a monotonic clock, wrapping at 2^32 as GetTickCount does.
// The meter counts whole milliseconds, and a transfer on a fast link can be
// over in a few of them, so the clock must move in steps of 1 ms or finer:
// the coarse clock moves by the kernel's scheduler tick (4 ms at HZ=250).
// CLOCK_MONOTONIC is read through the vDSO, without a system call. A clock
// that cannot be read stands still at its last reading.
DWORD GetTickCount(void) {
    if (platform_fakes.tick != nullptr) return platform_fakes.tick();
    static DWORD last = 0;
    timespec now;
    if (read_clock(CLOCK_MONOTONIC, &now) != 0) return last;
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    last = static_cast<DWORD>(ms);
    return last;
}

// A date that cannot be read or converted stays all zeros, which no real
// date prints as.
void GetLocalTime(SYSTEMTIME *time) {
    if (time == nullptr) return;
    memset(time, 0, sizeof *time);
    timespec now;
    if (read_clock(CLOCK_REALTIME, &now) != 0) return;
    tm local;
    if (localtime_r(&now.tv_sec, &local) == nullptr) return;
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

// A tone on the controlling terminal when it is a Linux console, else the
// terminal's bell. Never a byte on standard output or standard error, and no
// wait or stop: a beep that cannot sound is simply skipped. Only the
// terminal's foreground job may sound it; a background job, which with
// "stty tostop" would be stopped by SIGTTOU on the write and stay stopped,
// keeps quiet. SIGTTOU is blocked for the one write all the same, in case
// the job is moved to the background in between.
BOOL Beep(DWORD frequency, DWORD duration_ms) {
    if (platform_fakes.beep != nullptr) return platform_fakes.beep(frequency, duration_ms);
    if (frequency == 0) return 0;
    int tty = open("/dev/tty", O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (tty < 0) return 0;
    if (tcgetpgrp(tty) != getpgrp()) {
        close(tty);
        return 0;
    }
    bool sounded = false;
#if defined(__linux__) && defined(KDMKTONE)
    unsigned long tone = (static_cast<unsigned long>(duration_ms & 0xffff) << 16) | (1193180ul / frequency);
    sounded = ioctl(tty, KDMKTONE, tone) == 0;
#else
    (void)duration_ms;
#endif
    if (!sounded) {
        sigset_t stop, before;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTTOU);
        sigprocmask(SIG_BLOCK, &stop, &before);
        sounded = write(tty, "\a", 1) == 1;
        sigprocmask(SIG_SETMASK, &before, nullptr);
    }
    close(tty);
    return sounded ? 1 : 0;
}
