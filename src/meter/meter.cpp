// The rate meter: a progress line about once a second, and the peak rate.
#include "meter/meter.h"

#include "console/console.h"

TransferTotals transfer_totals = {0, 0};
MeterState meter_state = {0, 0, 0, 0.0f};

namespace {

// The progress line's label and the digits of its count, built in place so
// that the once-a-second path allocates nothing.
char label_buffer[32];
char count_buffer[32];

void build_label(void) {
    bool in_mb = transfer_totals.total_mb >= 1;
    long long count = in_mb ? transfer_totals.total_mb : transfer_totals.total_kb;
    console_format(count_buffer, sizeof count_buffer, "%lld", count);
    console_format(label_buffer, sizeof label_buffer, "\r%s%s", count_buffer, in_mb ? "MB-->" : "KB-->");
}

}  // namespace

int meter_update(int32_t n) {
    DWORD now = GetTickCount();
    if (n == 0) {
        meter_state.interval_bytes = 0;
        meter_state.peak_rate = 0.0f;
        meter_state.last_tick = now;
        meter_state.start_tick = now;
        return 0;
    }
    if (n < 0) return 0;
    meter_state.interval_bytes += static_cast<uint32_t>(n);
    // Unsigned subtraction: a wrap of the tick between lines still gives the
    // true interval.
    DWORD interval = now - meter_state.last_tick;
    if (interval < 1000) return 0;

    float rate = static_cast<float>(static_cast<double>(static_cast<int64_t>(meter_state.interval_bytes)) /
                                    static_cast<double>(interval) * 1000.0);
    build_label();
    console_wipe_line();
    print_rate_line(label_buffer, rate);
    // Once a second at most: a redirected log stays live, and a run killed
    // mid-transfer leaves it ending with a whole progress line.
    console_flush();
    if (rate > meter_state.peak_rate) meter_state.peak_rate = rate;
    meter_state.last_tick = now;
    meter_state.interval_bytes = 0;
    return 1;
}

void print_rate_line(const char *label, const float &rate) {
    double bps = rate;
    console_print("%s  Bps: %7.0f   KBps: %4.0f   MBps: %4.01f   Kbps: %5.0f   Mbps: %5.02f", label, bps, bps / 1024,
                  bps / 1024 / 1024, (bps / 1024) * 8, (bps / 1024 / 1024) * 8);
}
