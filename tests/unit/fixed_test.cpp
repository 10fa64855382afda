#include <gtest/gtest.h>
#include <string>
#include "console/console.h"
static std::string fx(double v, int p) { char b[600]; format_fixed(v, p, b, sizeof b); return b; }
TEST(Fixed, Halves) {
  EXPECT_EQ(fx(2.5, 0), "3");
  EXPECT_EQ(fx(0.25, 1), "0.3");
  EXPECT_EQ(fx(0.125, 2), "0.13");
  EXPECT_EQ(fx(2.675, 2), "2.67");
  EXPECT_EQ(fx(4005 * static_cast<double>(0.001f), 2), "4.01");
  EXPECT_EQ(fx(0.0, 2), "0.00");
  EXPECT_EQ(fx(1e20, 0), "100000000000000000000");
}
