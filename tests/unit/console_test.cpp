// Our own conversions: the same bytes on every platform, whatever the C
// runtime's printf does with halves and 64-bit counts.
#include <cfloat>
#include <climits>
#include <cmath>
#include <string>

#include "capture.h"
#include "console/console.h"

namespace {

std::string fixed(double value, int precision) {
    char buffer[600];
    size_t length = format_fixed(value, precision, buffer, sizeof buffer);
    EXPECT_EQ(length, strlen(buffer));
    return buffer;
}

TEST(FixedPoint, HalvesRoundAwayFromZeroOnTheSeventeenDigitForm) {
    EXPECT_EQ(fixed(2.5, 0), "3");
    EXPECT_EQ(fixed(3.5, 0), "4");
    EXPECT_EQ(fixed(0.5, 0), "1");
    EXPECT_EQ(fixed(0.25, 1), "0.3");
    EXPECT_EQ(fixed(0.125, 2), "0.13");
    EXPECT_EQ(fixed(-2.5, 0), "-3");
    // Below the half in its 17 digits (2.6749999999999998): rounds down.
    EXPECT_EQ(fixed(2.675, 2), "2.67");
    // The seconds of 4005 ticks: the float factor lies above 0.001.
    EXPECT_EQ(fixed(4005 * static_cast<double>(0.001f), 2), "4.01");
    EXPECT_EQ(fixed(9.96, 1), "10.0");
    EXPECT_EQ(fixed(0.04, 1), "0.0");
    EXPECT_EQ(fixed(0.0, 2), "0.00");
    EXPECT_EQ(fixed(1e20, 0), "100000000000000000000");
    EXPECT_EQ(fixed(123456789.0, 0), "123456789");
    EXPECT_EQ(fixed(FLT_MAX, 0), "340282346638528860000000000000000000000");
    EXPECT_EQ(fixed(DBL_MAX, 2).size(), 309u + 3u);
    EXPECT_EQ(fixed(1e-300, 2), "0.00");
}

TEST(FixedPoint, NonFiniteValuesHaveAWord) {
    EXPECT_EQ(fixed(HUGE_VAL, 2), "inf");
    EXPECT_EQ(fixed(-HUGE_VAL, 0), "-inf");
    EXPECT_EQ(fixed(NAN, 1), "nan");
}

TEST(FixedPoint, CutsToTheBufferAndStillCounts) {
    char small[4];
    EXPECT_EQ(format_fixed(12345.678, 2, small, sizeof small), 8u);
    EXPECT_STREQ(small, "123");
}


TEST(Format, IntegersStringsAndFields) {
    char buffer[100];
    console_format(buffer, sizeof buffer, "%02u/%02u/%04u %02u:%02u:%02u", 3u, 7u, 2026u, 0u, 5u, 59u);
    EXPECT_STREQ(buffer, "03/07/2026 00:05:59");
    console_format(buffer, sizeof buffer, "%d|%d|%lld|%lld", INT_MIN, INT_MAX, LLONG_MIN, LLONG_MAX);
    EXPECT_STREQ(buffer, "-2147483648|2147483647|-9223372036854775808|9223372036854775807");
    console_format(buffer, sizeof buffer, "[%7.0f][%4.01f][%5.02f][%7.0f]", 524288.0, 0.25, 8.0, HUGE_VAL);
    EXPECT_STREQ(buffer, "[ 524288][ 0.3][ 8.00][    inf]");
    // Conversions the program does not use are shown as written and read no
    // argument: the one %d after them still gets the first.
    const char *unlisted = "%.3s|%05d|%llu|%.2d|%f|%%|%q|%d|%";
    console_format(buffer, sizeof buffer, unlisted, 42);
    EXPECT_STREQ(buffer, "%.3s|%05d|%llu|%.2d|%f|%%|%q|42|%");
    // Cut to fit, terminated, and the full length told.
    EXPECT_EQ(console_format(buffer, 6, "%s", "abcdefgh"), 8u);
    EXPECT_STREQ(buffer, "abcde");
}

TEST(Format, PrintsWholeLinesToStandardOutput) {
    std::string text = captured_stdout([] { console_print_line("\r", '-'); });
    EXPECT_EQ(text, "\r" + std::string(79, '-'));
    // Longer than the staging buffer: nothing lost or reordered.
    std::string big(5000, 'q');
    text = captured_stdout([&] { console_print("<%s>%d", big.c_str(), 7); });
    EXPECT_EQ(text, "<" + big + ">7");
}

}  // namespace
