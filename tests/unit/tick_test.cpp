// The real millisecond tick: its step, and its pace against the system's
// monotonic clock.
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/platform.h"

namespace {

TEST(Tick, MovesByOneMillisecond) {
    DWORD least = ~0u, before = GetTickCount();
    for (long reads = 0; reads < 1000000000 && least > 1; ++reads) {
        DWORD now = GetTickCount();
        if (now != before) least = std::min(least, now - before), before = now;
    }
    EXPECT_EQ(least, 1u) << "a coarse clock moves by the scheduler's tick, 4 ms or more";
}

// Every time and every rate shown is counted in ticks: a tick a few percent
// fast or slow puts them all off by as much. Each tick reading is bracketed
// by two clock readings, so a pause between them widens the bounds instead
// of failing the test.
TEST(Tick, KeepsPaceWithTheMonotonicClockOverASecond) {
    using clock = std::chrono::steady_clock;
    const auto start_before = clock::now();
    const DWORD first = GetTickCount();
    const auto start_after = clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto end_before = clock::now();
    const DWORD ticks = GetTickCount() - first;
    const auto end_after = clock::now();
    const auto ms = [](clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    EXPECT_GE(ticks + 1.0, ms(end_before - start_after));
    EXPECT_LE(ticks - 1.0, ms(end_after - start_before));
}

}  // namespace
