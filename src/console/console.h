// Printing to standard output: the program's formatted text and its flush rules.
#pragma once
#include <cstdarg>
#include <cstddef>

// printf-style output with our own conversions, only those the program's
// strings use (the list is above format_to in console.cpp): %s %d %lld %0Wu
// and %W.Pf. Fixed-point conversions round halves away from zero on
// the value's 17-significant-digit decimal form, the same on every platform.
// On a terminal each print is flushed at once.
#define CONSOLE_FORMAT(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

// The width of a console line.
const int console_width = 79;

void console_print(const char *format, ...) CONSOLE_FORMAT(1, 2);
// Prints lead, then a separator: '-' across the console's width.
void console_print_separator(const char *lead);
// Wipes the line the cursor is on: "\r", then the console's width in blanks;
// on a terminal wider than that, as many as the widest column printed since
// the last line end, up to the room its line has (console_line_room).
void console_wipe_line(void);
void console_write(const char *text);
// Pushes buffered output out now; called before the program blocks waiting
// for a peer, after the header, after each progress line and after each
// summary, so that a redirected log is complete up to that point.
void console_flush(void);
// Formats into buffer (always terminated, cut to fit); returns the length
// the whole text would have.
size_t console_format(char *buffer, size_t size, const char *format, ...) CONSOLE_FORMAT(3, 4);

// Writes value with precision decimals into out (terminated, cut to fit);
// returns the length the whole text would have. Non-finite values read
// "inf", "-inf" and "nan".
size_t format_fixed(double value, int precision, char *out, size_t size);
