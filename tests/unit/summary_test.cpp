// The summary: its seconds from the first tick reading, its average from the
// second.
#include "fake_tick.h"

namespace {

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

}  // namespace
