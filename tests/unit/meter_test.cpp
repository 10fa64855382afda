// The meter and the summary against a fake tick, which is the only way to
// reach an exact interval, a wrap of the 32-bit tick, or a second reading
// that differs from the first.
#include <cmath>
#include <string>

#include "capture.h"
#include "meter/meter.h"
#include "platform/posix/test_seams.h"
#include "transfer/transfer.h"

namespace {

DWORD fake_now;
DWORD fake_step;  // added after every reading

DWORD read_fake_tick(void) {
    DWORD now = fake_now;
    fake_now += fake_step;
    return now;
}

const std::string wipe = "\r" + std::string(79, ' ');

std::string rate_text(double bps) {
    char line[200];
    snprintf(line, sizeof line, "  Bps: %7.0f   KBps: %4.0f   MBps: %4.1f   Kbps: %5.0f   Mbps: %5.2f", bps,
             bps / 1024, bps / 1048576, bps / 128, bps / 131072);
    return line;
}

struct MeterTest : testing::Test {
    void SetUp() override {
        fake_now = 0;
        fake_step = 0;
        platform_fakes.tick = read_fake_tick;
        transfer_totals = {0, 0};
    }
    void TearDown() override { platform_fakes.tick = nullptr; }

    // Accounts n bytes at tick `at`, keeping the totals as a transfer loop does.
    std::string feed(int64_t &total, int n, DWORD at) {
        fake_now = at;
        total += n;
        transfer_totals.total_kb = total / 1024;
        transfer_totals.total_mb = transfer_totals.total_kb / 1024;
        return captured_stdout([&] { meter_update(n); });
    }
};

TEST_F(MeterTest, PrintsOnlyOnceAtLeastAThousandMillisecondsHavePassedSinceThePreviousLine) {
    int64_t total = 0;
    fake_now = 5000;
    meter_update(0);
    EXPECT_EQ(feed(total, 1024, 5999), "");
    EXPECT_EQ(feed(total, 1024, 6000), wipe + "\r2KB-->" + rate_text(2048));
    EXPECT_EQ(meter_state.last_tick, 6000u);
    EXPECT_EQ(meter_state.interval_bytes, 0u);
    // The next interval counts from the line, not from the nominal second,
    // and a stall is covered whole by the line after it.
    EXPECT_EQ(feed(total, 1024, 6999), "");
    EXPECT_EQ(feed(total, 1024, 8000), wipe + "\r4KB-->" + rate_text(1024));
}

TEST_F(MeterTest, OneMegabyteInOneSecondShowsEveryUnit) {
    int64_t total = 0;
    meter_update(0);
    for (int i = 0; i < 1023; ++i) EXPECT_EQ(feed(total, 1024, 10), "");
    EXPECT_EQ(feed(total, 1024, 1000),
              wipe + "\r1MB-->  Bps: 1048576   KBps: 1024   MBps:  1.0   Kbps:  8192   Mbps:  8.00");
}

TEST_F(MeterTest, LabelCountsKilobytesUntilTheFirstWholeMegabyte) {
    int64_t total = 0;
    meter_update(0);
    EXPECT_EQ(feed(total, 1023 * 1024, 1000).substr(wipe.size()), "\r1023KB-->" + rate_text(1023 * 1024));
    EXPECT_EQ(feed(total, 1023, 2000).substr(wipe.size(), 10), "\r1023KB-->");
    EXPECT_EQ(feed(total, 1, 3000).substr(wipe.size(), 7), "\r1MB-->");
}

TEST_F(MeterTest, TickWrapBetweenLinesGivesTheTrueInterval) {
    int64_t total = 0;
    fake_now = 0xFFFFFE00u;
    meter_update(0);
    // 512 ms to the wrap and 488 after it make the 1000 ms.
    EXPECT_EQ(feed(total, 512, 0x1E7), "");
    EXPECT_EQ(feed(total, 512, 0x1E8), wipe + "\r1KB-->" + rate_text(1024));
}

TEST_F(MeterTest, PeakIsReplacedOnlyByAStrictlyGreaterRate) {
    int64_t total = 0;
    meter_update(0);
    feed(total, 2048, 1000);
    EXPECT_EQ(meter_state.peak_rate, 2048.0f);
    feed(total, 2048, 2000);
    EXPECT_EQ(meter_state.peak_rate, 2048.0f);
    feed(total, 1024, 3000);
    EXPECT_EQ(meter_state.peak_rate, 2048.0f);
    feed(total, 4096, 4000);
    EXPECT_EQ(meter_state.peak_rate, 4096.0f);
    // A new start forgets the previous transfer's peak and interval.
    feed(total, 100, 4100);
    meter_update(0);
    EXPECT_EQ(meter_state.peak_rate, 0.0f);
    EXPECT_EQ(meter_state.interval_bytes, 0u);
}

TEST_F(MeterTest, IntervalBytesAreSixtyFourBit) {
    int64_t total = 0;
    meter_update(0);
    // 5 GiB within one interval must not wrap a 32-bit count.
    for (int i = 0; i < 5; ++i) feed(total, 1 << 30, 500);
    EXPECT_EQ(meter_state.interval_bytes, 5ull << 30);
    std::string line = feed(total, 0x7fffffff, 1000);
    EXPECT_NE(line.find("\r7167MB-->"), std::string::npos) << line;
}

TEST(RateLine, HalvesRoundAwayFromZero) {
    // 262144 B/s is 0.25 MB/s: one decimal shows 0.3, where printf shows 0.2.
    std::string line = captured_stdout([] { print_rate_line("x", 262144.0f); });
    EXPECT_EQ(line, "x  Bps:  262144   KBps:  256   MBps:  0.3   Kbps:  2048   Mbps:  2.00");
    line = captured_stdout([] { print_rate_line("\r512KB-->", 524288.0f); });
    EXPECT_EQ(line, "\r512KB-->  Bps:  524288   KBps:  512   MBps:  0.5   Kbps:  4096   Mbps:  4.00");
    // 2.5 bytes per second shows 3.
    line = captured_stdout([] { print_rate_line("", 2.5f); });
    EXPECT_EQ(line.substr(0, 14), "  Bps:       3");
}

struct SummaryTest : MeterTest {};

const char results_line[] = "\nResults:                                                  (Bps=Bytes, bps=bits)";
const std::string dashes(79, '-');

TEST_F(SummaryTest, SecondsUseTheFloatFactorAndMegabytesTruncate) {
    fake_now = 100;
    meter_update(0);
    int64_t total = 0;
    feed(total, 5000000, 150);
    fake_now = 100 + 4005;
    std::string text = captured_stdout([] { print_transfer_summary(5000000); });
    std::string expected = std::string("\nTransferred 4MB in 4.01 seconds.\n") + results_line +
                           "\nPeak-->   Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00"
                           // 1248439.5 as a float: the half rounds up.
                           "\n Avg-->   Bps: 1248440   KBps: 1219   MBps:  1.2   Kbps:  9753   Mbps:  9.52\n" +
                           dashes + "\n\n\n";
    EXPECT_EQ(text, expected);
}

TEST_F(SummaryTest, AverageUsesTheSecondTickReading) {
    fake_now = 0;
    meter_update(0);
    transfer_totals = {1000, 0};
    // First reading 2000 ms (seconds line), second 2048 ms (the average).
    fake_now = 2000;
    fake_step = 48;
    std::string text = captured_stdout([] { print_transfer_summary(1024000); });
    EXPECT_NE(text.find("in 2.00 seconds."), std::string::npos);
    EXPECT_NE(text.find("\n Avg-->   Bps:  500000   KBps:  488   MBps:  0.5   Kbps:  3906   Mbps:  3.81"),
              std::string::npos)
        << text;
}

TEST_F(SummaryTest, NoElapsedMillisecondDoesNotStopTheProgram) {
    fake_now = 7;
    meter_update(0);
    std::string text = captured_stdout([] { print_transfer_summary(4096); });
    EXPECT_NE(text.find("\n Avg-->   Bps:     inf   KBps:  inf   MBps:  inf   Kbps:   inf   Mbps:   inf"),
              std::string::npos)
        << text;
    // No bytes in no time is no rate at all.
    text = captured_stdout([] { print_transfer_summary(0); });
    EXPECT_NE(text.find("\n Avg-->   Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00"),
              std::string::npos)
        << text;
}

TEST(Header, SideLineOverwritesTheDateLine) {
    SYSTEMTIME time = {2026, 3, 0, 7, 9, 5, 4, 0};
    std::string text = captured_stdout([&] { print_transfer_header(time, "\rSending 10MB to 127.0.0.1"); });
    EXPECT_EQ(text, "\r" + dashes + "\n" + std::string(60, ' ') + "03/07/2026 09:05:04\rSending 10MB to 127.0.0.1\n" +
                        dashes + "\n");
}

}  // namespace
