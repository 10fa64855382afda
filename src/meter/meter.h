// Rate measurement: the running totals, the meter's state and the rate line.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// Totals of the transfer in progress, truncated: bytes / 1024 and that / 1024.
// The transfer loops set them before every meter_update; the meter and the
// summary only read them.
struct TransferTotals {
    int64_t total_kb;
    int64_t total_mb;
};

struct MeterState {
    uint64_t interval_bytes;  // since the last progress line, or the start
    DWORD last_tick;          // tick of the last progress line, or the start
    DWORD start_tick;
    float peak_rate;  // bytes per second, highest shown since the start
};

extern TransferTotals transfer_totals;
extern MeterState meter_state;

// Brings transfer_totals up to a transfer's byte total, as the loops do after
// every piece. The total is never negative, so dividing it unsigned gives the
// same truncated values, and stays two shifts however the loop is compiled
// (a signed division can become a slow divide instruction where the compiler
// judges the code cold, as it does for loops inlined into main).
inline void set_transfer_totals(int64_t total_bytes) {
    uint64_t kb = static_cast<uint64_t>(total_bytes) / 1024u;
    transfer_totals.total_kb = static_cast<int64_t>(kb);
    transfer_totals.total_mb = static_cast<int64_t>(kb / 1024u);
}

// meter_update(0) starts the meter; meter_update(n) accounts n bytes and, once
// at least 1000 ms have passed since the previous line, prints a progress line
// with the rate of that interval. Returns 1 when it printed a line.
int meter_update(int32_t n);

// Prints label and the rate in five units, with no line end.
void print_rate_line(const char *label, const float &rate);
