// What the program prints, captured around a call, with a fake tick, date or start where the real one cannot reach.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

#include "console/console.h"
#include "driver/driver.h"
#include "meter/meter.h"
#include "platform/platform.h"
#include "platform/posix/test_seams.h"
#include "report/report.h"
#include "transfer/transfer.h"

template <typename Body>
static std::string captured(Body body) {
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

const std::string wipe = "\r" + std::string(79, ' '), dashes(79, '-');
const std::string zero_rate = "  Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00";

// The tick moves by 1 ms and keeps the monotonic clock's pace: every time and rate shown is counted in ticks. Each tick
// reading lies between two clock readings, so a pause between them widens the bounds instead of failing.
TEST(Tick, MovesByOneMillisecondAndKeepsPaceWithTheMonotonicClock) {
    using clock = std::chrono::steady_clock;
    const auto ms = [](clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const auto read = [] { return std::tuple{clock::now(), GetTickCount(), clock::now()}; };  // braces: in this order
    const auto [start_before, first, start_after] = read();
    clock::time_point end_before, end_after;
    DWORD least = ~0u, before = first, now;
    do {
        std::tie(end_before, now, end_after) = read();
        if (now != before) least = std::min(least, now - before), before = now;
    } while (ms(end_after - start_after) < 1000);
    EXPECT_EQ(least, 1u) << "a coarse clock moves by the scheduler's tick, 4 ms or more";
    EXPECT_GE(now - first + 1.0, ms(end_before - start_after));
    EXPECT_LE(now - first - 1.0, ms(end_after - start_before));
}

// Past 2038-01-19 03:14:07 UTC a 32-bit time_t wraps to 1901 or its clock fails with EOVERFLOW; a clock that fails
// leaves no stale date behind.
TEST(Date, TheHeaderShowsTheDateOfAMomentPast2038AndZerosForAClockThatFails) {
    static std::pair<timespec, int> fake_clock;  // its reading and its error
    platform_fakes.realtime = [](timespec *now) {
        *now = fake_clock.first;
        return fake_clock.second;
    };
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
    for (const auto &[seconds, error, date] : cases) {
        fake_clock = {{static_cast<time_t>(seconds), 999999999}, error};
        SYSTEMTIME now;
        GetLocalTime(&now);
        EXPECT_EQ(captured([&] { print_transfer_header(now, "|"); }),
                  "\r" + dashes + "\n" + std::string(60, ' ') + date + "|\n" + dashes + "\n");
    }
    zone ? setenv("TZ", before.c_str(), 1) : unsetenv("TZ");
    tzset();
    platform_fakes = {};
}

static DWORD fake_now, fake_step;  // the step is added after every reading
static DWORD fake_tick(void) { return (fake_now += fake_step) - fake_step; }

static int64_t total;  // kept as a transfer loop keeps it

// A transfer that starts anew at tick `at` of the fake tick, which stands still between readings.
static void restart(DWORD at) {
    platform_fakes.tick = fake_tick;
    fake_now = at;
    fake_step = total = 0;
    meter_update(0);
}
static std::string feed(int n, DWORD at) {  // n more bytes at tick `at`
    fake_now = at;
    total += n;
    set_transfer_totals(total);
    return captured([&] { meter_update(n); });
}

TEST(Fake, MeterPrintsOnceAThousandMillisecondsHavePassedSinceItsLastLine) {
    // Restarted at a tick, or -1: the same transfer goes on.
    const std::tuple<int64_t, int, DWORD, const char *, float> steps[] = {
        {5000, 1024, 5999, "", 0},
        {-1, 1024, 6000, "2KB-->  Bps:    2048   KBps:    2   MBps:  0.0   Kbps:    16   Mbps:  0.02", 2048},
        {-1, 1024, 6999, "", 2048},  // counted from the line, and the stall covered whole
        {-1, 1024, 8000, "4KB-->  Bps:    1024   KBps:    1   MBps:  0.0   Kbps:     8   Mbps:  0.01", 2048},
        {-1, 4096, 9000, "8KB-->  Bps:    4096   KBps:    4   MBps:  0.0   Kbps:    32   Mbps:  0.03", 4096},
        {0xFFFFFE00, 512, 0x1E7, "", 0},  // 512 ms to the wrap and 488 after it
        {-1, 512, 0x1E8, "1KB-->  Bps:    1024   KBps:    1   MBps:  0.0   Kbps:     8   Mbps:  0.01", 1024},
        {100, 1023 * 1024, 1100, "1023KB-->  Bps: 1047552   KBps: 1023   MBps:  1.0   Kbps:  8184   Mbps:  7.99",
         1047552},
        {-1, 1023, 2100, "1023KB-->  Bps:    1023   KBps:    1   MBps:  0.0   Kbps:     8   Mbps:  0.01", 1047552},
        {-1, 1, 2600, "", 1047552},  // 0.25 MB/s shows 0.3: halves round away from zero
        {-1, 262143, 3100, "1MB-->  Bps:  262144   KBps:  256   MBps:  0.3   Kbps:  2048   Mbps:  2.00", 1047552},
        {0, 1048576, 1000, "1MB-->  Bps: 1048576   KBps: 1024   MBps:  1.0   Kbps:  8192   Mbps:  8.00", 1048576}};
    for (const auto &[restart_at, n, at, line, peak] : steps) {
        if (restart_at >= 0) restart(static_cast<DWORD>(restart_at));
        EXPECT_EQ(feed(n, at), *line ? wipe + "\r" + line : "") << at;
        EXPECT_EQ(meter_state.peak_rate, peak) << at;
    }
    restart(0);  // more than 4 GiB within one interval
    for (int i = 0; i < 5; ++i) feed(1 << 30, 500);
    EXPECT_EQ(feed(0x7fffffff, 1000),
              wipe + "\r7167MB-->  Bps: 7516192768   KBps: 7340032   MBps: 7168.0   Kbps: 58720256   Mbps: 57344.00");
    platform_fakes = {};
}

TEST(Fake, SummaryTakesTheSecondsFromTheFirstTickReadingAndTheAverageFromTheSecond) {
    const std::tuple<int64_t, DWORD, DWORD, const char *, const char *> cases[] = {
        {5000000, 4005, 0, "4MB in 4.01", "  Bps: 1248440   KBps: 1219   MBps:  1.2   Kbps:  9753   Mbps:  9.52"},
        {1024000, 2000, 48, "0MB in 2.00", "  Bps:  500000   KBps:  488   MBps:  0.5   Kbps:  3906   Mbps:  3.81"},
        {4096, 0, 0, "0MB in 0.00", "  Bps:     inf   KBps:  inf   MBps:  inf   Kbps:   inf   Mbps:   inf"},
        {0, 0, 0, "0MB in 0.00", zero_rate.c_str()}};  // no bytes in no time is no rate
    for (const auto &[bytes, elapsed, step, megabytes_and_seconds, average] : cases) {
        restart(100);
        if (bytes != 0) feed(static_cast<int>(bytes), 150);  // meter_update(0) would start anew
        fake_now = 100 + elapsed;
        fake_step = step;
        EXPECT_EQ(captured([bytes = bytes] { print_transfer_summary(bytes); }),
                  std::string("\nTransferred ") + megabytes_and_seconds +
                      " seconds.\n\nResults:" + std::string(50, ' ') + "(Bps=Bytes, bps=bits)\nPeak--> " + zero_rate +
                      "\n Avg--> " + average + "\n" + dashes + "\n\n\n");
    }
    platform_fakes = {};
}

TEST(Fixed, HalvesRoundAwayFromZeroOnTheSeventeenDigitForm) {  // 2.675 is 2.6749999999999998 in 17 digits
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

// Every start that is no 1.1 ends in a report, one cleanup and a status that never reads as success; every report
// beeps at 443 Hz for 200 ms.
TEST(Start, AFailedOrWrongStartIsReportedAndCleanedUpOnce) {
    static int fake_start_result, fake_start_calls;
    static WORD fake_version;
    static std::pair<DWORD, DWORD> tone;
    platform_fakes.startup = [](WORD requested, WSADATA *data) {
        ++fake_start_calls;
        data->wVersion = requested == MAKEWORD(1, 1) ? fake_version : 0;
        return fake_start_result;
    };
    platform_fakes.beep = [](DWORD frequency, DWORD duration_ms) -> BOOL {
        tone = {frequency, duration_ms};
        return 1;
    };
    const std::string version =
        "Failed to initialize WinSock, DLL does not support Sockets v1.1, error 10092.\n\n"
        "Wsock DLL Version out of range";
    const std::tuple<int, WORD, std::string, int> cases[] = {
        {10091, 0x0101, "WSAStartup() failed, error 10091.\n\nNetwork SubSystem is unavailable", 10091 & 0xff},
        {10240, 0x0101, "WSAStartup() failed, error 10240.\n\n", 255},  // no text; low 8 bits 0
        {0, 0x0202, version, 10092 & 0xff},
        {0, 0x0201, version, 10092 & 0xff},
        {0, 0x0102, version, 10092 & 0xff}};
    char *argv[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), nullptr};
    for (const auto &[start_result, version_given, report, status] : cases) {
        fake_start_result = start_result;
        fake_version = version_given;
        int cleanups = platform_cleanup_calls, result = 0;
        tone = {};
        EXPECT_EQ(captured([&] { result = program_main(2, argv); }), "\n\n" + report + "\n\n");
        EXPECT_EQ(exit_status(result) & 0xff, status);
        EXPECT_EQ(platform_cleanup_calls, cleanups + 1);
        EXPECT_EQ(tone, std::make_pair(DWORD{443}, DWORD{200}));
    }
    char *usage[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), const_cast<char *>("/?"), nullptr};
    fake_start_calls = 0;
    captured([&] { EXPECT_EQ(program_main(3, usage), 1); });
    EXPECT_EQ(fake_start_calls, 0) << "the usage screen never starts the socket layer";
    platform_fakes = {};
}

TEST(Report, ANumberWithoutTextPrintsAnEmptyLine) {  // string table keys are 16 bits: 75536 must not read as 10000
    for (int number : {0, 10107, 11005, -1, 10000 + 65536})
        EXPECT_EQ(captured([&] { report_error("Failed on recv()", number); }),
                  "\n\nFailed on recv(), error " + std::to_string(number) + ".\n\n\n\n");
}
