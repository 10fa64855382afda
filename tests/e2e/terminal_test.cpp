// On a terminal every print shows at once: a progress line has no line end,
// and must be on the screen while the peer is still connected.
#include "e2e.h"

#include <unistd.h>

namespace {

class Terminal : public E2e {};

TEST_F(Terminal, ProgressLineShowsWhileThePeerIsStillConnected) {
    if (has_runner()) GTEST_SKIP() << "the runner decides what the program's standard output is";
    int port = free_port();
    Child server;
    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}, true));
    int fd = connect_to(port);
    ASSERT_GE(fd, 0);
    long long sent = send_steadily(fd, 16384, 40, 1500);
    ASSERT_GT(sent, 0);
    // The peer has stopped sending but keeps the connection: nothing ends a
    // line or flushes a buffer now, so only a flush per print shows this.
    EXPECT_TRUE(read_until(server, "KB-->", 10)) << "no progress line on the terminal; it shows:\n" << server.out;
    close(fd);
    expect_numbers_sane(expect_run(server, 0, whole_server(port, {sent / 1048576})), sent);
}

}  // namespace
