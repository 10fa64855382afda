#pragma once
// Runs the built program as a separate process and talks to it over real
// sockets on 127.0.0.1. Every wait has a time limit; a child that overstays
// it is killed by its own PID and the wait reports failure.
#include <string>
#include <sys/types.h>
#include <vector>

// A running (or finished) copy of the program.
struct Child {
    pid_t pid = -1;
    int out_fd = -1;
    int err_fd = -1;
    std::string out;   // standard output read so far
    std::string err;   // standard error read so far; must stay empty
    int status = -1;   // exit status once reaped, -1 before or when killed
    bool killed = false;
};

// Generous limits: under Wine the program alone takes seconds to start.
const double start_limit = 60;   // until a server is ready to accept
const double run_limit = 120;    // until an ordinary run has ended

// The path that is launched, from PIPEMETER_E2E_PROGRAM or the build.
std::string program_path(void);

// True when PIPEMETER_E2E_RUNNER puts a command in front of the program, so
// the program's first argument cannot be chosen by the test.
bool has_runner(void);

// The name the usage screen shows for a path: the text after its last
// backslash, or the whole path.
std::string shown_name(const std::string &path);

// The name the usage screen shows for the launched program. A runner hands
// the program its path in its own form (Wine: a Windows path ending in
// \pipemeter.exe), so the name is then the file name alone.
std::string program_shown_name(void);

// Starts the program with args. argv0 replaces the program's first argument
// when given (only possible without a runner). on_terminal gives it a
// pseudo-terminal as standard output instead of a pipe. Returns 0 or errno.
int start_program(Child &child, const std::vector<std::string> &args, const char *argv0 = nullptr,
                  bool on_terminal = false);

// Reads the child's output until standard output contains needle. False on
// end of output or when the limit has passed (the child is then killed).
bool read_until(Child &child, const std::string &needle, double limit = start_limit);

// Reads all output and reaps the child. False when the limit has passed; the
// child is then killed by its PID.
bool finish(Child &child, double limit = run_limit);

// Kills a child still running, by its PID, and reaps it.
void kill_child(Child &child);

// Kills, by PID, every child started and not yet reaped: a test that failed
// half-way must not leave a server waiting.
void kill_leftovers(void);

// Runs the program to its end. False when it overstayed the limit.
bool run_program(Child &child, const std::vector<std::string> &args, const char *argv0 = nullptr);

// A TCP port on 127.0.0.1 that was free a moment ago.
int free_port(void);

// "/P:n" for a port.
std::string port_arg(int port);

// Raw sockets of the test's own peers and servers. Each returns -1 on failure.
int connect_to(int port);
// reuse_address sets SO_REUSEADDR, as the program's own server does on Linux.
int listen_on(int port, bool reuse_address = false);
// accept with a time limit.
int accept_within(int listener, double limit);

// Sends count bytes in pieces; false when a send fails.
bool send_bytes(int fd, long long count);

// Sends at a steady rate for the given time, in pieces of piece bytes every
// gap_ms. Returns the bytes sent, or -1 when a send failed.
long long send_steadily(int fd, int piece, int gap_ms, int duration_ms);

// Reads up to count bytes within the limit; returns the bytes read.
long long receive_bytes(int fd, long long count, double limit);

// Closes with a reset (SO_LINGER with a zero time) instead of an orderly end.
void close_with_reset(int fd);

// True when a socket on the local port is in TIME_WAIT (Linux /proc).
bool port_in_time_wait(int port);

// The port a child listens on, found through Linux /proc; -1 when none.
int listening_port(const Child &child);

void sleep_ms(int ms);
