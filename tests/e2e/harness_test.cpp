// The harness's own promise: a run that never ends cannot hang the suite.
#include "e2e.h"

#include <csignal>

namespace {

class Harness : public E2e {};

TEST_F(Harness, ChildThatOverstaysItsLimitIsKilled) {
    Child server;
    ASSERT_TRUE(start_server(server, {"/S", port_arg(free_port())}));
    pid_t pid = server.pid;
    EXPECT_FALSE(finish(server, 0.5));
    EXPECT_TRUE(server.killed);
    EXPECT_NE(kill(pid, 0), 0) << "the child is still there";
}

}  // namespace
