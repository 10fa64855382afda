// The one way failures are shown: a beep, the step, its number and its text.
#pragma once

// The tone of every error report.
struct ErrorTone {
    unsigned frequency_hz;
    unsigned duration_ms;
};
extern ErrorTone error_tone;

// Beeps, prints "text, error number." and the table's text for number.
void report_error(const char *text, int number);

// Reports a failed step and returns its number, for the caller to return.
int report_failure(const char *text, int number);
