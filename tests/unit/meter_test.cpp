// The rate line against a fake tick: exact intervals, a wrap of the 32-bit
// tick, the peak, more than 4 GiB in one interval.
#include "fake_tick.h"

namespace {

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

}  // namespace
