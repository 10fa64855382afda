// The command-line reader: /H:, /S[:n], /P:, /M: and the help words, as /x or -x.
#include "driver/options.h"

#include <cstring>

Options options = {"", 0, default_port, default_megabytes};

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive in A-Z only, whatever the locale.
bool equals_folded(const char *text, const char *word) {
    for (; *word != '\0'; ++text, ++word)
        if (fold(*text) != fold(*word)) return false;
    return *text == '\0';
}

bool starts_folded(const char *text, const char *prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (*text == '\0' || fold(*text) != fold(*prefix)) return false;
    return true;
}

bool starts_either(const char *text, const char *slash_prefix) {
    char dash_prefix[8];
    size_t length = strlen(slash_prefix);
    memcpy(dash_prefix, slash_prefix, length + 1);
    dash_prefix[0] = '-';
    return starts_folded(text, slash_prefix) || starts_folded(text, dash_prefix);
}

bool is_help_word(const char *arg) {
    static const char *const words[] = {"/?", "-?", "/help", "-help"};
    for (const char *word : words)
        if (equals_folded(arg, word)) return true;
    return false;
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text after the first `skip` characters, or "" when the argument is shorter.
const char *after(const char *arg, size_t skip) {
    size_t length = strnlen(arg, skip);
    return length < skip ? "" : arg + skip;
}

}  // namespace

int32_t read_number(const char *text) {
    while (is_space(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<uint32_t>(*text - '0');
    if (negative) value = 0u - value;
    // Two's complement view of the 32 bits, without an out-of-range conversion.
    return value <= 0x7fffffffu ? static_cast<int32_t>(value) : -static_cast<int32_t>(~value) - 1;
}

ReadResult read_command_line(int argc, char *argv[]) {
    options.host = "";
    options.server_count = 0;
    options.port = default_port;
    options.megabytes = default_megabytes;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (arg == nullptr) continue;
        if (is_help_word(arg)) return read_help;
        if (starts_either(arg, "/H:")) {
            options.host = arg + 3;
        } else if (starts_either(arg, "/S")) {
            // The count is read from the fourth character on, colon or not.
            int32_t count = read_number(after(arg, 3));
            options.server_count = count <= 0 ? default_server_count : count;
        } else if (starts_either(arg, "/P:")) {
            options.port = read_number(arg + 3);
        } else if (starts_either(arg, "/M:")) {
            int32_t megabytes = read_number(arg + 3);
            options.megabytes = megabytes < 0 || megabytes > max_megabytes ? default_megabytes : megabytes;
        }
    }
    return read_run;
}
