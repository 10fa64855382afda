#pragma once

// The tone of every error report.
struct ErrorTone {
    unsigned frequency_hz;
    unsigned duration_ms;
};
extern ErrorTone error_tone;

// Beeps, prints "text, error number." and the table's text for number.
void report_error(const char *text, int number);
