// The POSIX side of our own console and process services.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/platform.h"

// Started with a standard stream closed (from cron, a service manager or
// with ">&-"), the process would hand that number to its first socket, and
// console text would then go into the connection. Each closed one is opened
// on /dev/null instead, so its output is simply lost; where /dev/null cannot
// be opened (a bare chroot, a user it refuses), on "/" as a path alone, which
// takes no permission and on which every write fails. The number is never
// left free. open() takes the lowest free number, which is fd itself once
// the lower ones are open.
//
// Nobody may be reading standard output: a pipe whose reader has gone would
// end the process with SIGPIPE on the next flush, in the middle of a
// measurement. Ignored, the write fails with EPIPE and stdio drops its text,
// as a write to a closed pipe fails on Windows. (POSIX streams never
// translate line ends, so nothing else needs preparing.)
void console_start(void) {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened < 0) opened = open("/", O_PATH | O_DIRECTORY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    signal(SIGPIPE, SIG_IGN);
}

bool console_is_terminal(void) { return isatty(STDOUT_FILENO) == 1; }

// Terminals here hold the cursor on the last column until the next character
// comes, and a carriage return cancels that pending wrap: the whole width.
int console_line_room(void) {
    winsize size;
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

// Multibyte encodings used here (UTF-8) never have '\\' as a trail byte.
const char *find_last_backslash(const char *text) { return text == nullptr ? nullptr : strrchr(text, '\\'); }

// The shell sees only the low 8 bits; an error number that is a multiple of
// 256 would read as success, so it becomes 255 instead.
int exit_status(int result) {
    if (result != 0 && (result & 0xff) == 0) return 255;
    return result;
}
