// libFuzzer target: argument vectors of any bytes and lengths through the
// command-line reader, the usage screen and main's path up to the point where
// a side would start waiting on the network; the rate line and the fixed-point
// conversion with values and precisions taken from the same input.
//
// Input layout: the arguments, each ended by a zero byte (the first is the
// program's path; the last may lack its zero). Each argument gets a heap block
// of exactly its own size, so a read past its end is caught.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "meter/meter.h"

namespace {

const size_t max_arguments = 256;

double double_from(const uint8_t *data, size_t size) {
    double value = 0;
    memcpy(&value, data, size < sizeof value ? size : sizeof value);
    return value;
}

void check_options(void) {
    // What the reader promises whatever it was given.
    if (options.host == nullptr || options.server_count < 0 || options.megabytes < 0 ||
        options.megabytes > max_megabytes)
        abort();
}

void fuzz_formatting(const uint8_t *data, size_t size) {
    if (size == 0) return;
    double value = double_from(data + 1, size - 1);
    int precision = static_cast<int8_t>(data[0]);
    char small[16];
    char large[600];
    size_t whole = format_fixed(value, precision, large, sizeof large);
    size_t cut = format_fixed(value, precision, small, sizeof small);
    if (whole != cut || strlen(small) >= sizeof small) abort();
    if (whole < sizeof large && strlen(large) != whole) abort();
    console_format(large, sizeof large, "%7.0f|%4.01f|%5.02f", value, value, value);
    float rate = static_cast<float>(value);
    print_rate_line("\r1MB-->", rate);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The program's bytes are not what is looked at here.
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    char *argv[max_arguments + 1];
    int argc = 0;
    size_t at = 0;
    while (at < size && argc < static_cast<int>(max_arguments)) {
        const void *end = memchr(data + at, 0, size - at);
        size_t length =
            end != nullptr ? static_cast<size_t>(static_cast<const uint8_t *>(end) - (data + at)) : size - at;
        char *arg = static_cast<char *>(malloc(length + 1));
        memcpy(arg, data + at, length);
        arg[length] = '\0';
        argv[argc++] = arg;
        at += length + 1;
    }
    argv[argc] = nullptr;

    ReadResult read = read_command_line(argc, argv);
    check_options();
    show_usage(argc > 0 ? argv[0] : nullptr);
    // Only the paths that end at the usage screen run whole: the others would
    // start a server or a client and wait on the network.
    bool usage_only = read == read_help || (options.host[0] == '\0' && options.server_count <= 0);
    if (usage_only && program_main(argc, argv) != 1) abort();

    fuzz_formatting(data, size);
    for (int i = 0; i < argc; ++i) free(argv[i]);
    return 0;
}
