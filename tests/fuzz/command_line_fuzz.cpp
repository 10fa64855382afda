// libFuzzer target: argument vectors of any bytes through the command-line reader, the usage screen and main up to
// where a side would wait on the network; then the fixed-point form and the rate line on a value and a precision from
// the same input. The arguments are its zero-ended pieces, each in a heap block of just its size: an overread shows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "meter/meter.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();  // the program's bytes are not looked at here
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    char *argv[257];
    int argc = 0;
    for (size_t at = 0; at < size && argc < 256;) {
        size_t length = strnlen(reinterpret_cast<const char *>(data + at), size - at);
        argv[argc++] = strndup(reinterpret_cast<const char *>(data + at), length);  // length + 1 bytes
        at += length + 1;
    }
    argv[argc] = nullptr;
    ReadResult read = read_command_line(argc, argv);
    // What the reader promises whatever it was given.
    if (!options.host || options.server_count < 0 || options.megabytes < 0 || options.megabytes > max_megabytes)
        abort();
    show_usage(argc > 0 ? argv[0] : nullptr);
    // Only the runs that end at the usage screen go whole; the others would wait on the network.
    if ((read == read_help || (options.host[0] == '\0' && options.server_count <= 0)) && program_main(argc, argv) != 1)
        abort();
    for (int i = 0; i < argc; ++i) free(argv[i]);

    double value = 0;
    if (size > 0) memcpy(&value, data + 1, size - 1 < sizeof value ? size - 1 : sizeof value);
    int precision = size > 0 ? static_cast<int8_t>(data[0]) : 0;
    char small[16], large[600];
    size_t whole = format_fixed(value, precision, large, sizeof large);
    if (whole != format_fixed(value, precision, small, sizeof small) || strlen(small) >= sizeof small) abort();
    if (whole < sizeof large && strlen(large) != whole) abort();
    console_format(large, sizeof large, "%7.0f|%4.01f|%5.02f", value, value, value);
    print_rate_line("\r1MB-->", static_cast<float>(value));
    return 0;
}
