// The Windows side of our own console and process services.
#include "platform/platform.h"

// Standard output stays in the C runtime's text mode, as for every console
// program here: a redirected file has "\r\n" line ends, which callers and
// files on Windows may rely on. Sockets here are handles, never C runtime
// descriptors, so a closed standard stream cannot be taken by one.
void console_start(void) {}

// A console answers GetConsoleMode; a pipe or a file does not.
bool console_is_terminal(void) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// Lines wrap at the screen buffer's width, which may exceed the window's, and
// at once: a character in the last column moves the cursor to the next row.
int console_line_room(void) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) ? info.dwSize.X - 1 : 0;
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
