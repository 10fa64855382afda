// The header's date from a fake clock: past 2038, and a clock that fails.
#include <cerrno>
#include <cstdlib>

#include "fake_tick.h"

namespace {

timespec fake_time;
int fake_time_error;
int fake_realtime(timespec *now) {
    *now = fake_time;
    return fake_time_error;
}

// Past 2038-01-19 03:14:07 UTC a 32-bit time_t wraps to 1901 or its clock
// fails with EOVERFLOW; a clock that fails leaves no stale date behind.
TEST(Date, TheHeaderShowsTheDateOfAMomentPast2038AndZerosForAClockThatFails) {
    platform_fakes.realtime = fake_realtime;
    const char *zone = getenv("TZ");
    std::string before = zone ? zone : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    const struct {
        int64_t seconds;
        int error;
        const char *date;
    } cases[] = {
        {2147483647, 0, "01/19/2038 03:14:07"},  // the last second a 32-bit time_t holds
        {2147483648, 0, "01/19/2038 03:14:08"},  // the first it cannot
        {4107542400, 0, "03/01/2100 00:00:00"},  // 2100 has no February 29
        {4294967296, 0, "02/07/2106 06:28:16"},  // past an unsigned 32-bit count
        {2147483648, EOVERFLOW, "00/00/0000 00:00:00"},
    };
    for (const auto &c : cases) {
        fake_time = {static_cast<time_t>(c.seconds), 999999999};
        fake_time_error = c.error;
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string dashes(79, '-');
        EXPECT_EQ(captured([&] { print_transfer_header(now, "|"); }),
                  "\r" + dashes + "\n" + std::string(60, ' ') + c.date + "|\n" + dashes + "\n");
    }
    zone ? setenv("TZ", before.c_str(), 1) : unsetenv("TZ");
    tzset();
    platform_fakes = {};
}

}  // namespace
