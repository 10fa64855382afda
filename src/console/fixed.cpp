// Fixed-point conversion that rounds halves away from zero, judged on the
// value's 17-significant-digit decimal form: 2.5 -> "3", 0.25 -> "0.3". The C
// runtimes round the binary value instead, and differently from each other.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "console/cut.h"

namespace {

const int significant = 17;
// Enough for any double (309 integer digits) and the widest precision taken.
const int max_precision = 64;
const int max_units = 309 + max_precision + 2;

}  // namespace

size_t format_fixed(double value, int precision, char *out, size_t size) {
    if (precision < 0) precision = 6;
    if (precision > max_precision) precision = max_precision;
    size_t length = 0;
    if (std::isnan(value)) {
        for (const char *p = "nan"; *p; ++p) length = cut_put(out, size, length, *p);
        return cut_finish(out, size, length);
    }
    if (std::signbit(value)) length = cut_put(out, size, length, '-');
    if (std::isinf(value)) {
        for (const char *p = "inf"; *p; ++p) length = cut_put(out, size, length, *p);
        return cut_finish(out, size, length);
    }
    double magnitude = std::fabs(value);

    // d.dddddddddddddddde+XX: 17 significant digits, correctly rounded.
    char text[64];
    std::to_chars_result r =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, significant - 1);
    *r.ptr = '\0';
    char digits[significant];
    int count = 0;
    const char *p = text;
    for (; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[count++] = *p;
    int exponent = static_cast<int>(strtol(p + 1, nullptr, 10));

    // Digit i weighs 10^(exponent - i); the last one kept weighs 10^-precision.
    // Keep digits 0..last, then round on the first dropped one.
    long last = static_cast<long>(exponent) + precision;
    char units[max_units];
    long unit_count = 0;
    if (magnitude != 0.0 && last >= -1) {
        for (long i = 0; i <= last; ++i) units[unit_count++] = i < count ? digits[i] : '0';
        bool round_up = last + 1 < count && digits[last + 1] >= '5';
        if (last == -1) round_up = digits[0] >= '5';
        if (round_up) {
            long i = unit_count - 1;
            while (i >= 0 && units[i] == '9') units[i--] = '0';
            if (i >= 0) {
                ++units[i];
            } else {
                memmove(units + 1, units, static_cast<size_t>(unit_count));
                units[0] = '1';
                ++unit_count;
            }
        }
    }
    // At least one integer digit, then the decimals.
    long wanted = precision + 1;
    if (unit_count < wanted) {
        memmove(units + (wanted - unit_count), units, static_cast<size_t>(unit_count));
        memset(units, '0', static_cast<size_t>(wanted - unit_count));
        unit_count = wanted;
    }
    long integer_digits = unit_count - precision;
    for (long i = 0; i < unit_count; ++i) {
        if (i == integer_digits) length = cut_put(out, size, length, '.');
        length = cut_put(out, size, length, units[i]);
    }
    return cut_finish(out, size, length);
}
