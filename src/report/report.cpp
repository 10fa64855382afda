// The error reporter: the text table's entry for a number, shown once with a beep.
#include "report/report.h"

#include <cstring>

#include "console/console.h"
#include "platform/platform.h"

ErrorTone error_tone = {443, 200};

namespace {
const int text_size = 260;
// String table keys are 16-bit; a larger number must not alias an entry.
const int highest_key = 0xffff;
}  // namespace

void report_error(const char *text, int number) {
    char table_text[text_size];
    memset(table_text, 0, sizeof table_text);
    if (number >= 0 && number <= highest_key)
        LoadStringA(GetModuleHandleA(nullptr), static_cast<unsigned>(number), table_text, text_size);
    Beep(error_tone.frequency_hz, error_tone.duration_ms);
    console_print("\n");
    console_print("\n%s, error %d.", text, number);
    console_print("\n");
    console_print("\n%s\n", table_text);
    console_print("\n");
}

int report_failure(const char *text, int number) {
    report_error(text, number);
    return number;
}
