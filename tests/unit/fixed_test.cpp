// Fixed-point conversion: halves round away from zero.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "console/console.h"

namespace {

TEST(Fixed, HalvesRoundAwayFromZeroOnTheSeventeenDigitForm) {
    const struct {
        double value;
        int precision;
        const char *text;
    } cases[] = {
        {2.5, 0, "3"},
        {-2.5, 0, "-3"},
        {0.25, 1, "0.3"},
        {0.125, 2, "0.13"},
        {2.675, 2, "2.67"},  // 2.6749999999999998 in 17 digits
        {4005 * static_cast<double>(0.001f), 2, "4.01"},
        {9.96, 1, "10.0"},
        {0.04, 1, "0.0"},
        {3.4028234663852886e38, 0, "340282346638528860000000000000000000000"},
        {HUGE_VAL, 2, "inf"},
        {NAN, 1, "nan"},
    };
    char text[600];
    for (const auto &c : cases) {
        EXPECT_EQ(format_fixed(c.value, c.precision, text, sizeof text), strlen(c.text));
        EXPECT_STREQ(text, c.text);
    }
}

}  // namespace
