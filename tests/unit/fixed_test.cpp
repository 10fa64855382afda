// Fixed-point conversion: halves round away from zero.
#include <cmath>
#include <cstring>
#include <tuple>
#include <gtest/gtest.h>

#include "console/console.h"

TEST(Fixed, HalvesRoundAwayFromZeroOnTheSeventeenDigitForm) {
    // 2.675 is 2.6749999999999998 in 17 digits.
    const std::tuple<double, int, const char *> cases[] = {
        {2.5, 0, "3"},        {-2.5, 0, "-3"},    {0.25, 1, "0.3"},
        {0.125, 2, "0.13"},   {2.675, 2, "2.67"}, {4005 * static_cast<double>(0.001f), 2, "4.01"},
        {9.96, 1, "10.0"},    {0.04, 1, "0.0"},   {3.4028234663852886e38, 0, "340282346638528860000000000000000000000"},
        {HUGE_VAL, 2, "inf"}, {NAN, 1, "nan"}};
    char text[600];
    for (const auto &[value, precision, expected] : cases) {
        EXPECT_EQ(format_fixed(value, precision, text, sizeof text), strlen(expected));
        EXPECT_STREQ(text, expected);
    }
}
