// The header and the summary that frame every transfer, on both sides.
#include <cmath>

#include "console/console.h"
#include "meter/meter.h"
#include "transfer/transfer.h"

void print_transfer_header(const SYSTEMTIME &time, const char *side_line) {
    console_print_separator("\r");
    console_print("\n                                                            %02u/%02u/%04u %02u:%02u:%02u",
                  time.wMonth, time.wDay, time.wYear, time.wHour, time.wMinute, time.wSecond);
    console_write(side_line);
    console_print_separator("\n");
    console_print("\n");
    // A redirected log being read shows who is connected while data flows.
    console_flush();
}

void print_transfer_summary(int64_t total_bytes) {
    DWORD elapsed = GetTickCount() - meter_state.start_tick;
    // The factor is the float nearest 0.001, the product taken in double.
    const float seconds_per_tick = 0.001f;
    console_print("\nTransferred %lldMB in %.2f seconds.", static_cast<long long>(transfer_totals.total_mb),
                  static_cast<double>(elapsed) * static_cast<double>(seconds_per_tick));
    console_print("\n");
    console_print("\nResults:                                                  (Bps=Bytes, bps=bits)");

    float float_total = static_cast<float>(total_bytes);
    // The average reads the tick a second time, after the lines above.
    DWORD elapsed2 = GetTickCount() - meter_state.start_tick;
    float average;
    if (elapsed2 != 0) {
        average = static_cast<float>(static_cast<double>(float_total) / elapsed2 * 1000);
    } else {
        // No millisecond has passed: no bytes is no rate, any bytes an
        // unbounded one, printed as "inf".
        average = total_bytes == 0 ? 0.0f : HUGE_VALF;
    }
    print_rate_line("\nPeak--> ", meter_state.peak_rate);
    print_rate_line("\n Avg--> ", average);
    console_print_separator("\n");
    console_print("\n");
    console_print("\n");
    console_print("\n");
    // A summary is a natural place for a redirected log to be complete.
    console_flush();
}
