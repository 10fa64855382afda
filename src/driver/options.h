// The settings of a run and the command-line reader that fills them.
#pragma once
#include <cstdint>

// The settings taken from the command line.
struct Options {
    const char *host;      // the text after "/H:" in its argument; "" when none
    int32_t server_count;  // 0: client mode; the server counts it down
    int32_t port;          // used by its low 16 bits, printed whole
    int32_t megabytes;
};

extern Options options;

const int32_t default_port = 7777;
const int32_t default_megabytes = 10;
const int32_t default_server_count = 1;
const int32_t max_megabytes = 1000000;

enum ReadResult { read_run, read_help };

// Resets options to the defaults and reads argv[1..argc-1] into them.
// Returns read_help when a help word was given.
ReadResult read_command_line(int argc, char *argv[]);

// A signed 32-bit decimal read as atol reads it: leading blanks, a sign,
// digits up to the first non-digit; overflow wraps modulo 2^32.
int32_t read_number(const char *text);
