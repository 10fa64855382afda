// The Windows side of our own console and process services.
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "platform/platform.h"

// The C runtime opens stdout in text mode and would write every "\n" as
// "\r\n"; the program's bytes are the same on every platform, so the stream
// carries them unchanged.
void console_start(void) { _setmode(_fileno(stdout), _O_BINARY); }

// A console answers GetConsoleMode; a pipe or a file does not.
bool console_is_terminal(void) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// Walks the text character by character in the current code page, so the
// trail byte of a double-byte character is never read as a backslash.
const char *find_last_backslash(const char *text) {
    if (text == nullptr) return nullptr;
    const char *found = nullptr;
    for (const char *p = text; *p != '\0'; ++p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            if (p[1] == '\0') break;
            ++p;
        } else if (*p == '\\') {
            found = p;
        }
    }
    return found;
}

// Windows keeps the whole 32-bit exit code.
int exit_status(int result) { return result; }
