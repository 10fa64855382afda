// The program's own printf: formatted text to standard output or to a buffer,
// the same bytes on every platform.
#include "console/console.h"

#include <cstdio>
#include <cstring>

#include "console/cut.h"
#include "platform/platform.h"

namespace {

// Where formatted text goes: a caller's buffer, cut to fit, or standard output
// through a small staging buffer.
struct Sink {
    char *buffer;
    size_t size;
    size_t length;
    bool to_stdout;
    char stage[512];
    size_t staged;
};

// The column the cursor stands at and the widest one reached since the last
// line end, as standard output leaves them on a terminal.
int line_column = 0;
int line_widest = 0;

void track_column(char c) {
    if (c == '\n') {
        line_column = line_widest = 0;
    } else if (c == '\r') {
        line_column = 0;
    } else if (++line_column > line_widest) {
        line_widest = line_column;
    }
}

void sink_flush_stage(Sink *sink) {
    if (sink->staged > 0) fwrite(sink->stage, 1, sink->staged, stdout);
    sink->staged = 0;
}

void sink_put(Sink *sink, char c) {
    if (!sink->to_stdout) {
        sink->length = cut_put(sink->buffer, sink->size, sink->length, c);
        return;
    }
    if (sink->staged == sizeof sink->stage) sink_flush_stage(sink);
    track_column(c);
    sink->stage[sink->staged++] = c;
    ++sink->length;
}

// Writes text right-aligned in a field of width characters, padded with
// zeros when zero is set (only unsigned numbers have it), else with blanks.
void sink_field(Sink *sink, const char *text, size_t length, int width, bool zero) {
    for (long pad = width - static_cast<long>(length); pad > 0; --pad) sink_put(sink, zero ? '0' : ' ');
    for (size_t at = 0; at < length; ++at) sink_put(sink, text[at]);
}

// The decimal digits of magnitude, after a '-' when negative; returns their count.
size_t integer_text(char *out, bool negative, unsigned long long magnitude) {
    char reversed[20];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    size_t length = 0;
    if (negative) out[length++] = '-';
    while (count > 0) out[length++] = reversed[--count];
    return length;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A width or precision: digits, read up to a bound that no field reaches.
int read_count(const char **p) {
    int count = 0;
    for (; is_digit(**p); ++*p)
        if (count < 1000) count = count * 10 + (**p - '0');
    return count;
}

// Whether a conversion is one of the list below, with no part it lacks there.
bool listed(char conversion, bool zero, int precision, bool long_long) {
    switch (conversion) {
    case 's': return !zero && precision < 0 && !long_long;
    case 'd': return !zero && precision < 0;
    case 'u': return precision < 0 && !long_long;
    case 'f': return !zero && precision >= 0 && !long_long;
    default: return false;
    }
}

// Supported conversions, exactly those the program's own strings use:
//
//   %Ws     a string
//   %Wd     an int
//   %Wlld   a long long
//   %0Wu    an unsigned int, zero-padded to W digits (%02u, %04u)
//   %W.Pf   a double with P decimals, rounded as format_fixed rounds
//           (%.2f, %7.0f, %4.01f)
//
// W, the field width, may be left out; a value narrower than W is
// right-aligned in it with blanks (zeros for %0Wu). Anything else after a '%'
// is printed as written and reads no argument.
void format_to(Sink *sink, const char *format, va_list args) {
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            sink_put(sink, *p);
            continue;
        }
        const char *start = p++;
        bool zero = *p == '0';
        int width = read_count(&p);
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = read_count(&p);
        }
        bool long_long = p[0] == 'l' && p[1] == 'l';
        if (long_long) p += 2;
        if (!listed(*p, zero, precision, long_long)) {
            for (; start != p; ++start) sink_put(sink, *start);
            if (*p == '\0') return;
            sink_put(sink, *p);
            continue;
        }

        char text[512];
        size_t length = 0;
        if (*p == 's') {
            const char *string = va_arg(args, const char *);
            if (string == nullptr) string = "(null)";
            sink_field(sink, string, strlen(string), width, false);
            continue;
        }
        if (*p == 'd') {
            long long value = long_long ? va_arg(args, long long) : va_arg(args, int);
            unsigned long long magnitude =
                value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
            length = integer_text(text, value < 0, magnitude);
        } else if (*p == 'u') {
            length = integer_text(text, false, va_arg(args, unsigned));
        } else {
            length = format_fixed(va_arg(args, double), precision, text, sizeof text);
            if (length >= sizeof text) length = sizeof text - 1;
        }
        sink_field(sink, text, length, width, zero);
    }
}

// The one path of console_print and console_format: formats, then hands the
// text to standard output or terminates it in buffer. Returns the length of
// the whole text.
size_t format_args(char *buffer, size_t size, bool to_stdout, const char *format, va_list args) {
    Sink sink;
    sink.buffer = buffer;
    sink.size = size;
    sink.length = 0;
    sink.to_stdout = to_stdout;
    sink.staged = 0;
    format_to(&sink, format, args);
    if (to_stdout) sink_flush_stage(&sink);
    else cut_finish(buffer, size, sink.length);
    return sink.length;
}

int terminal_state = -1;  // unknown until the first print

bool to_terminal(void) {
    if (terminal_state < 0) terminal_state = console_is_terminal() ? 1 : 0;
    return terminal_state == 1;
}

void after_print(void) {
    if (to_terminal()) fflush(stdout);
}

// A lead, then count copies of fill.
void print_repeated(const char *lead, char fill, int count) {
    char line[128];
    memset(line, fill, sizeof line - 1);
    line[sizeof line - 1] = '\0';
    console_write(lead);
    for (; count >= static_cast<int>(sizeof line - 1); count -= static_cast<int>(sizeof line - 1)) console_write(line);
    console_write(line + (sizeof line - 1 - static_cast<size_t>(count)));
}

}  // namespace

void console_print(const char *format, ...) {
    va_list args;
    va_start(args, format);
    format_args(nullptr, 0, true, format, args);
    va_end(args);
    after_print();
}

void console_print_separator(const char *lead) { print_repeated(lead, '-', console_width); }

// A log gets the console's width every time. A terminal gets blanks up to
// the widest column since the last line end, so that no tail of a wider line
// stays, but never past the room a carriage return still takes back, where
// they would wrap onto a row of their own; the room is read now, as a window
// may have been resized.
void console_wipe_line(void) {
    int room = to_terminal() ? console_line_room() : 0;
    int width = line_widest < room ? line_widest : room;
    print_repeated("\r", ' ', width > console_width ? width : console_width);
}

void console_write(const char *text) {
    for (const char *p = text; *p != '\0'; ++p) track_column(*p);
    fputs(text, stdout);
    after_print();
}

void console_flush(void) { fflush(stdout); }

size_t console_format(char *buffer, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    size_t length = format_args(buffer, size, false, format, args);
    va_end(args);
    return length;
}
