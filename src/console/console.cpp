#include "console/console.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// Where formatted text goes: a caller's buffer, or standard output through a
// small staging buffer.
struct Sink {
    char *buffer;
    size_t size;
    size_t length;
    bool to_stdout;
    char stage[512];
    size_t staged;
};

void sink_start(Sink *sink, char *buffer, size_t size, bool to_stdout) {
    sink->buffer = buffer;
    sink->size = size;
    sink->length = 0;
    sink->to_stdout = to_stdout;
    sink->staged = 0;
}

void sink_flush_stage(Sink *sink) {
    if (sink->staged > 0) fwrite(sink->stage, 1, sink->staged, stdout);
    sink->staged = 0;
}

void sink_put(Sink *sink, char c) {
    if (sink->to_stdout) {
        if (sink->staged == sizeof sink->stage) sink_flush_stage(sink);
        sink->stage[sink->staged++] = c;
    } else if (sink->length + 1 < sink->size) {
        sink->buffer[sink->length] = c;
    }
    ++sink->length;
}

void sink_repeat(Sink *sink, char c, long count) {
    for (long i = 0; i < count; ++i) sink_put(sink, c);
}

struct Spec {
    bool left;
    bool zero;
    bool plus;
    bool space;
    int width;
    int precision;  // -1: none given
    int longs;      // 0, 1 (l) or 2 (ll)
};

// Writes body (sign already inside) padded to the field width.
void sink_field(Sink *sink, const Spec &spec, const char *body, size_t body_length, bool numeric) {
    long pad = spec.width > static_cast<long>(body_length) ? spec.width - static_cast<long>(body_length) : 0;
    if (spec.left) {
        for (size_t i = 0; i < body_length; ++i) sink_put(sink, body[i]);
        sink_repeat(sink, ' ', pad);
        return;
    }
    if (spec.zero && numeric) {
        size_t start = 0;
        if (body_length > 0 && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) sink_put(sink, body[start++]);
        sink_repeat(sink, '0', pad);
        for (size_t i = start; i < body_length; ++i) sink_put(sink, body[i]);
        return;
    }
    sink_repeat(sink, ' ', pad);
    for (size_t i = 0; i < body_length; ++i) sink_put(sink, body[i]);
}

size_t integer_text(char *out, bool negative, unsigned long long magnitude, const Spec &spec) {
    char reversed[32];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    size_t length = 0;
    if (negative) out[length++] = '-';
    else if (spec.plus) out[length++] = '+';
    else if (spec.space) out[length++] = ' ';
    for (long i = spec.precision - static_cast<long>(count); i > 0 && length < 64; --i) out[length++] = '0';
    while (count > 0) out[length++] = reversed[--count];
    return length;
}

void format_to(Sink *sink, const char *format, va_list args) {
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            sink_put(sink, *p);
            continue;
        }
        ++p;
        Spec spec = {false, false, false, false, 0, -1, 0};
        for (;; ++p) {
            if (*p == '-') spec.left = true;
            else if (*p == '0') spec.zero = true;
            else if (*p == '+') spec.plus = true;
            else if (*p == ' ') spec.space = true;
            else break;
        }
        while (*p >= '0' && *p <= '9' && spec.width < 10000) spec.width = spec.width * 10 + (*p++ - '0');
        if (*p == '.') {
            ++p;
            spec.precision = 0;
            while (*p >= '0' && *p <= '9' && spec.precision < 10000) spec.precision = spec.precision * 10 + (*p++ - '0');
        }
        for (; *p == 'l' || *p == 'h'; ++p)
            if (*p == 'l') ++spec.longs;

        char body[128];
        size_t length = 0;
        switch (*p) {
        case 'd':
        case 'i': {
            long long value = spec.longs >= 2 ? va_arg(args, long long)
                              : spec.longs == 1 ? va_arg(args, long)
                                                : va_arg(args, int);
            unsigned long long magnitude =
                value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
            length = integer_text(body, value < 0, magnitude, spec);
            sink_field(sink, spec, body, length, spec.precision < 0);
            break;
        }
        case 'u': {
            unsigned long long value = spec.longs >= 2 ? va_arg(args, unsigned long long)
                                       : spec.longs == 1 ? va_arg(args, unsigned long)
                                                         : va_arg(args, unsigned int);
            Spec unsigned_spec = spec;
            unsigned_spec.plus = unsigned_spec.space = false;
            length = integer_text(body, false, value, unsigned_spec);
            sink_field(sink, spec, body, length, spec.precision < 0);
            break;
        }
        case 'f': {
            double value = va_arg(args, double);
            char number[512];
            size_t at = 0;
            if (!std::signbit(value) && !std::isnan(value)) {
                if (spec.plus) number[at++] = '+';
                else if (spec.space) number[at++] = ' ';
            }
            length = at + format_fixed(value, spec.precision, number + at, sizeof number - at);
            if (length >= sizeof number) length = sizeof number - 1;
            sink_field(sink, spec, number, length, std::isfinite(value));
            break;
        }
        case 'c':
            body[0] = static_cast<char>(va_arg(args, int));
            sink_field(sink, spec, body, 1, false);
            break;
        case 's': {
            const char *text = va_arg(args, const char *);
            if (text == nullptr) text = "(null)";
            size_t text_length = spec.precision >= 0 ? strnlen(text, static_cast<size_t>(spec.precision)) : strlen(text);
            sink_field(sink, spec, text, text_length, false);
            break;
        }
        case '%':
            sink_put(sink, '%');
            break;
        case '\0':
            return;
        default:
            // Not a conversion we know: shown as written, never read as one.
            sink_put(sink, '%');
            sink_put(sink, *p);
            break;
        }
    }
}

int terminal_state = -1;  // unknown until the first print

void after_print(void) {
    if (terminal_state < 0) terminal_state = console_is_terminal() ? 1 : 0;
    if (terminal_state == 1) fflush(stdout);
}

}  // namespace

void console_print(const char *format, ...) {
    Sink sink;
    sink_start(&sink, nullptr, 0, true);
    va_list args;
    va_start(args, format);
    format_to(&sink, format, args);
    va_end(args);
    sink_flush_stage(&sink);
    after_print();
}

void console_print_line(const char *lead, char fill) {
    char line[console_width + 1];
    memset(line, fill, console_width);
    line[console_width] = '\0';
    console_print("%s%s", lead, line);
}

void console_write(const char *text) {
    fputs(text, stdout);
    after_print();
}

void console_flush(void) { fflush(stdout); }

size_t console_format(char *buffer, size_t size, const char *format, ...) {
    Sink sink;
    sink_start(&sink, buffer, size, false);
    va_list args;
    va_start(args, format);
    format_to(&sink, format, args);
    va_end(args);
    if (size > 0) buffer[sink.length < size ? sink.length : size - 1] = '\0';
    return sink.length;
}
