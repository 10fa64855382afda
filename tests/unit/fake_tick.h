// What the unit tests share: standard output captured around a call, and a
// fake tick the test moves by hand (the meter and the summary read it).
#pragma once
#include <gtest/gtest.h>
#include <string>

#include "meter/meter.h"
#include "platform/posix/test_seams.h"
#include "transfer/transfer.h"

inline DWORD fake_now, fake_step;  // the step is added after every reading
inline DWORD fake_tick(void) { return (fake_now += fake_step) - fake_step; }

template <typename Body>
std::string captured(Body body) {
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline const std::string wipe = "\r" + std::string(79, ' ');
inline const std::string zero_rate = "  Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00";

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
