// The POSIX side of our own console and process services.
#include <cstring>
#include <unistd.h>

#include "platform/platform.h"

// POSIX streams never translate line ends.
void console_start(void) {}

bool console_is_terminal(void) { return isatty(STDOUT_FILENO) == 1; }

// Multibyte encodings used here (UTF-8) never have '\\' as a trail byte.
const char *find_last_backslash(const char *text) { return text == nullptr ? nullptr : strrchr(text, '\\'); }

// The shell sees only the low 8 bits; an error number that is a multiple of
// 256 would read as success, so it becomes 255 instead.
int exit_status(int result) {
    if (result != 0 && (result & 0xff) == 0) return 255;
    return result;
}
