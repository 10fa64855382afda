// The program as a client, against servers written here and against no
// server at all.
#include "e2e.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Client : public E2e {};

// What a client prints up to the moment its transfer starts.
std::string client_until_sending(int port, int megabytes) {
    return client_start(port) + connecting_line() + client_header(megabytes);
}

const std::string reset_on_send = error_report("Failed on send()", 10054, "Connection reset by peer");
const int status_of_10054 = 10054 & 0xff;

TEST_F(Client, ServerThatResetsEndsTheRunWithoutSummary) {
    int port = free_port();
    int listener = listen_on(port);
    ASSERT_GE(listener, 0);
    Child client;
    ASSERT_EQ(start_program(client, {"/H:127.0.0.1", port_arg(port), "/M:100"}), 0);
    int fd = accept_within(listener, start_limit);
    ASSERT_GE(fd, 0) << "the client never connected";
    EXPECT_EQ(receive_bytes(fd, 65536, run_limit), 65536);
    close_with_reset(fd);
    close(listener);
    Transcript t = expect_run(client, status_of_10054, client_until_sending(port, 100) + reset_on_send);
    expect_rates_consistent(t);
}

TEST_F(Client, ServerKilledWhileTheClientSends) {
    int port = free_port();
    int listener = listen_on(port);
    ASSERT_GE(listener, 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t test_server = fork();
    ASSERT_GE(test_server, 0);
    if (test_server == 0) {
        // A server process that takes a megabyte, says so, and then waits to be killed.
        int fd = accept_within(listener, start_limit);
        if (fd >= 0 && receive_bytes(fd, 1048576, run_limit) == 1048576) (void)!write(ready[1], "r", 1);
        pause();
        _exit(0);
    }
    close(listener);
    close(ready[1]);
    Child client;
    ASSERT_EQ(start_program(client, {"/H:127.0.0.1", port_arg(port), "/M:1000"}), 0);
    char byte;
    bool took_data = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    kill(test_server, SIGKILL);
    waitpid(test_server, nullptr, 0);
    ASSERT_TRUE(took_data) << "the test server never received a megabyte";
    Transcript t = expect_run(client, status_of_10054, client_until_sending(port, 1000) + reset_on_send);
    expect_rates_consistent(t);
    expect_progress_sane(t, 1000LL * 1048576);
}

TEST_F(Client, NoServerListeningIsConnectionRefused) {
    int port = free_port();
    Child client;
    ASSERT_TRUE(run_program(client, {"/H:127.0.0.1", port_arg(port)}));
    expect_run(client, 10061 & 0xff,
               client_start(port) + connecting_line() +
                   error_report("Failed to connect socket to server", 10061, "Connection refused"));
}

TEST_F(Client, HostsWithoutAnAddressAreNotFound) {
    // A name that cannot resolve (its empty label is refused by the resolver
    // itself, so no query leaves the machine), and two dotted addresses
    // refused before any lookup: none may end as a success.
    for (const char *host : {"no-such-host..invalid", "255.255.255.255", "0.0.0.0"}) {
        SCOPED_TRACE(host);
        Child client;
        ASSERT_TRUE(run_program(client, {std::string("/H:") + host, "/P:9"}));
        expect_run(client, 11001 & 0xff,
                   client_start(9) + error_report("Failed on host lookup", 11001, "Host not found"));
    }
}

}  // namespace
