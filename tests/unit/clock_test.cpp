// The clocks: the real millisecond tick, its step and its pace against the system's monotonic clock, and the
// header's date from a fake clock past 2038 or failing.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <tuple>

#include "captured.h"
#include "platform/posix/test_seams.h"
#include "transfer/transfer.h"

// The tick moves by 1 ms and keeps pace with the monotonic clock: every time and rate shown is counted in ticks, and a
// tick a few percent fast or slow puts them all off by as much. Each tick reading lies between two clock readings, so
// a pause between them widens the bounds instead of failing.
TEST(Tick, MovesByOneMillisecondAndKeepsPaceWithTheMonotonicClock) {
    using clock = std::chrono::steady_clock;
    const auto ms = [](clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const auto start_before = clock::now();
    const DWORD first = GetTickCount();
    const auto start_after = clock::now();
    clock::time_point end_before, end_after;
    DWORD least = ~0u, before = first, now;
    do {
        end_before = clock::now();
        now = GetTickCount();
        end_after = clock::now();
        if (now != before) least = std::min(least, now - before), before = now;
    } while (ms(end_after - start_after) < 1000);
    EXPECT_EQ(least, 1u) << "a coarse clock moves by the scheduler's tick, 4 ms or more";
    EXPECT_GE(now - first + 1.0, ms(end_before - start_after));
    EXPECT_LE(now - first - 1.0, ms(end_after - start_before));
}

static timespec fake_time;
static int fake_time_error;
static int fake_realtime(timespec *now) {
    *now = fake_time;
    return fake_time_error;
}

// Past 2038-01-19 03:14:07 UTC a 32-bit time_t wraps to 1901 or its clock fails with EOVERFLOW; a clock that fails
// leaves no stale date behind.
TEST(Date, TheHeaderShowsTheDateOfAMomentPast2038AndZerosForAClockThatFails) {
    platform_fakes.realtime = fake_realtime;
    const char *zone = getenv("TZ");
    std::string before = zone ? zone : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    const std::tuple<int64_t, int, const char *> cases[] = {
        {2147483647, 0, "01/19/2038 03:14:07"},  // the last second a 32-bit time_t holds
        {2147483648, 0, "01/19/2038 03:14:08"},  // the first it cannot
        {4107542400, 0, "03/01/2100 00:00:00"},  // 2100 has no February 29
        {4294967296, 0, "02/07/2106 06:28:16"},  // past an unsigned 32-bit count
        {2147483648, EOVERFLOW, "00/00/0000 00:00:00"}};
    const std::string dashes(79, '-');
    for (const auto &[seconds, error, date] : cases) {
        fake_time = {static_cast<time_t>(seconds), 999999999};
        fake_time_error = error;
        SYSTEMTIME now;
        GetLocalTime(&now);
        EXPECT_EQ(captured([&] { print_transfer_header(now, "|"); }),
                  "\r" + dashes + "\n" + std::string(60, ' ') + date + "|\n" + dashes + "\n");
    }
    zone ? setenv("TZ", before.c_str(), 1) : unsetenv("TZ");
    tzset();
    platform_fakes = {};
}
