// What only a fake or a call of our own can reach: the meter and the summary
// against a fake tick (exact intervals, a wrap of the 32-bit tick, a second
// reading), a failed or wrong start of the socket layer, the tone of an
// error, and exact halves.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "console/console.h"
#include "driver/driver.h"
#include "meter/meter.h"
#include "platform/posix/test_seams.h"
#include "report/report.h"
#include "transfer/transfer.h"

namespace {

DWORD fake_now, fake_step;  // the step is added after every reading
DWORD fake_tick(void) { return (fake_now += fake_step) - fake_step; }

template <typename Body>
std::string captured(Body body) {
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

const std::string wipe = "\r" + std::string(79, ' ');
const std::string zero_rate = "  Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00";

struct Fake : testing::Test {
    int64_t total = 0;
    void SetUp() override {
        fake_now = fake_step = 0;
        platform_fakes.tick = fake_tick;
    }
    void TearDown() override { platform_fakes = {}; }
    void restart(DWORD at) {
        fake_now = at;
        total = 0;
        meter_update(0);
    }
    // n more bytes at tick `at`, the totals kept as a transfer loop keeps them.
    std::string feed(int n, DWORD at) {
        fake_now = at;
        total += n;
        set_transfer_totals(total);
        return captured([&] { meter_update(n); });
    }
};

TEST_F(Fake, MeterPrintsOnceAThousandMillisecondsHavePassedSinceItsLastLine) {
    const struct {
        int64_t restart_at;  // -1: the same transfer goes on
        int n;
        DWORD at;
        const char *line;
        float peak;
    } steps[] = {
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
        {0, 1048576, 1000, "1MB-->  Bps: 1048576   KBps: 1024   MBps:  1.0   Kbps:  8192   Mbps:  8.00", 1048576},
    };
    for (const auto &step : steps) {
        if (step.restart_at >= 0) restart(static_cast<DWORD>(step.restart_at));
        EXPECT_EQ(feed(step.n, step.at), *step.line ? wipe + "\r" + step.line : "") << step.at;
        EXPECT_EQ(meter_state.peak_rate, step.peak) << step.at;
    }
    // More than 4 GiB within one interval.
    restart(0);
    for (int i = 0; i < 5; ++i) feed(1 << 30, 500);
    EXPECT_EQ(feed(0x7fffffff, 1000),
              wipe + "\r7167MB-->  Bps: 7516192768   KBps: 7340032   MBps: 7168.0   Kbps: 58720256   Mbps: 57344.00");
}

TEST(Tick, MovesByOneMillisecond) {
    DWORD least = ~0u, before = GetTickCount();
    for (long reads = 0; reads < 1000000000 && least > 1; ++reads) {
        DWORD now = GetTickCount();
        if (now != before) least = std::min(least, now - before), before = now;
    }
    EXPECT_EQ(least, 1u) << "a coarse clock moves by the scheduler's tick, 4 ms or more";
}

TEST_F(Fake, SummaryTakesTheSecondsFromTheFirstTickReadingAndTheAverageFromTheSecond) {
    const struct {
        int64_t bytes;
        DWORD elapsed, step;
        const char *megabytes_and_seconds, *average;
    } cases[] = {
        {5000000, 4005, 0, "4MB in 4.01", "  Bps: 1248440   KBps: 1219   MBps:  1.2   Kbps:  9753   Mbps:  9.52"},
        {1024000, 2000, 48, "0MB in 2.00", "  Bps:  500000   KBps:  488   MBps:  0.5   Kbps:  3906   Mbps:  3.81"},
        {4096, 0, 0, "0MB in 0.00", "  Bps:     inf   KBps:  inf   MBps:  inf   Kbps:   inf   Mbps:   inf"},
        {0, 0, 0, "0MB in 0.00", zero_rate.c_str()},  // no bytes in no time is no rate
    };
    for (const auto &c : cases) {
        restart(100);
        if (c.bytes != 0) feed(static_cast<int>(c.bytes), 150);  // meter_update(0) would start anew
        fake_now = 100 + c.elapsed;
        fake_step = c.step;
        EXPECT_EQ(captured([&] { print_transfer_summary(c.bytes); }),
                  std::string("\nTransferred ") + c.megabytes_and_seconds +
                      " seconds.\n\nResults:" + std::string(50, ' ') + "(Bps=Bytes, bps=bits)\nPeak--> " + zero_rate +
                      "\n Avg--> " + c.average + "\n" + std::string(79, '-') + "\n\n\n");
        fake_step = 0;
    }
}

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

int fake_start_result, fake_start_calls;
WORD fake_version;
int fake_start(WORD requested, WSADATA *data) {
    ++fake_start_calls;
    data->wVersion = requested == MAKEWORD(1, 1) ? fake_version : 0;
    return fake_start_result;
}

unsigned tone[2];
BOOL fake_beep(DWORD frequency, DWORD duration_ms) {
    tone[0] = frequency;
    tone[1] = duration_ms;
    return 1;
}

// Every start that is no 1.1 ends in a report, one cleanup and a status that
// never reads as success; every report beeps at 443 Hz for 200 ms.
TEST(Start, AFailedOrWrongStartIsReportedAndCleanedUpOnce) {
    platform_fakes.startup = fake_start;
    platform_fakes.beep = fake_beep;
    const std::string version =
        "Failed to initialize WinSock, DLL does not support Sockets v1.1, error 10092.\n\n"
        "Wsock DLL Version out of range";
    const struct {
        int result;
        WORD version;
        std::string report;
        int status;
    } cases[] = {
        {10091, 0x0101, "WSAStartup() failed, error 10091.\n\nNetwork SubSystem is unavailable", 10091 & 0xff},
        {10240, 0x0101, "WSAStartup() failed, error 10240.\n\n", 255},  // no text; low 8 bits 0
        {0, 0x0202, version, 10092 & 0xff},
        {0, 0x0201, version, 10092 & 0xff},
        {0, 0x0102, version, 10092 & 0xff},
    };
    char *argv[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), nullptr};
    for (const auto &c : cases) {
        fake_start_result = c.result;
        fake_version = c.version;
        int cleanups = platform_cleanup_calls, result = 0;
        tone[0] = tone[1] = 0;
        EXPECT_EQ(captured([&] { result = program_main(2, argv); }), "\n\n" + c.report + "\n\n");
        EXPECT_EQ(exit_status(result) & 0xff, c.status);
        EXPECT_EQ(platform_cleanup_calls, cleanups + 1);
        EXPECT_EQ(std::make_pair(tone[0], tone[1]), std::make_pair(443u, 200u));
    }
    char *usage[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), const_cast<char *>("/?"), nullptr};
    fake_start_calls = 0;
    captured([&] { EXPECT_EQ(program_main(3, usage), 1); });
    EXPECT_EQ(fake_start_calls, 0) << "the usage screen never starts the socket layer";
    platform_fakes = {};
}

TEST(Report, ANumberWithoutTextPrintsAnEmptyLine) {
    // String table keys are 16 bits: 75536 must not read as 10000.
    for (int number : {0, 10107, 11005, -1, 10000 + 65536})
        EXPECT_EQ(captured([&] { report_error("Failed on recv()", number); }),
                  "\n\nFailed on recv(), error " + std::to_string(number) + ".\n\n\n\n");
}

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
