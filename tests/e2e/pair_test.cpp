// The program against itself: a server and its clients as separate processes.
#include "e2e.h"

#include <unistd.h>

namespace {

class Pair : public E2e {
protected:
    int port = free_port();
    Child server;

    // Runs one client to its end against this test's port.
    void run_client(Child &client, int megabytes) {
        ASSERT_TRUE(run_program(client, {"/H:127.0.0.1", port_arg(port), "/M:" + std::to_string(megabytes)}));
    }
};

TEST_F(Pair, ServerAnswersThreeClientsInTurn) {
    ASSERT_TRUE(start_server(server, {"/S:3", port_arg(port)}));
    // Each client sends as many megabytes as connections are left, so every
    // summary is told apart.
    for (int left = 3; left >= 1; --left) {
        SCOPED_TRACE(left);
        ASSERT_TRUE(read_until(server, waiting_line(left, port)));
        Child client;
        run_client(client, left);
        expect_numbers_sane(expect_run(client, 0, whole_client(port, left)), left * 1048576LL);
    }
    expect_run(server, 0, whole_server(port, {3, 2, 1}));
}

TEST_F(Pair, ClientsThatArriveTogetherWaitTheirTurn) {
    ASSERT_TRUE(start_server(server, {"/S:3", port_arg(port)}));
    // Two of them wait in the listen queue while the first one sends.
    Child clients[3];
    for (Child &client : clients)
        ASSERT_EQ(start_program(client, {"/H:127.0.0.1", port_arg(port), "/M:100"}), 0);
    for (Child &client : clients) expect_run(client, 0, whole_client(port, 100));
    expect_run(server, 0, whole_server(port, {100, 100, 100}));
}

TEST_F(Pair, ZeroMegabytesIsAnEmptyButSuccessfulTransfer) {
    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}));
    Child client;
    run_client(client, 0);
    expect_numbers_sane(expect_run(client, 0, whole_client(port, 0)), 0);
    expect_numbers_sane(expect_run(server, 0, whole_server(port, {0})), 0);
}

TEST_F(Pair, TwentyMegabytesBothTranscriptsWhole) {
    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}));
    Child client;
    run_client(client, 20);
    expect_numbers_sane(expect_run(client, 0, whole_client(port, 20)), 20 * 1048576LL);
    expect_numbers_sane(expect_run(server, 0, whole_server(port, {20})), 20 * 1048576LL);
}

TEST_F(Pair, SecondServerOnALivePortFailsAtBind) {
    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}));
    Child second;
    ASSERT_TRUE(run_program(second, {"/S", port_arg(port)}));
    expect_run(second, 10048 & 0xff,
               server_start(port) +
                   error_report("Failed to bind() local address to the listening socket", 10048, "Address already in use"));
    // The first server is unharmed and still answers.
    Child client;
    run_client(client, 1);
    expect_run(client, 0, whole_client(port, 1));
    expect_run(server, 0, whole_server(port, {1}));
}

// The TIME_WAIT is left by a server that binds the way this program does.
// Linux lets a port be taken over from a TIME_WAIT only when the socket that
// left it allowed that too (SO_REUSEADDR); Windows has no such condition.
TEST_F(Pair, PortHeldOnlyInTimeWaitCanBeBoundAgain) {
    int listener = listen_on(port, true);
    ASSERT_GE(listener, 0);
    int peer = connect_to(port);
    ASSERT_GE(peer, 0);
    int accepted = accept_within(listener, start_limit);
    ASSERT_GE(accepted, 0);
    // The accepted side, on the server's port, closes first and so is the one
    // left in TIME_WAIT once the peer has closed too.
    close(accepted);
    EXPECT_EQ(receive_bytes(peer, 1, run_limit), 0);
    close(peer);
    close(listener);
    for (int i = 0; i < 100 && !port_in_time_wait(port); ++i) sleep_ms(10);
    ASSERT_TRUE(port_in_time_wait(port)) << "could not make a TIME_WAIT on port " << port;

    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}));
    Child client;
    run_client(client, 1);
    expect_run(client, 0, whole_client(port, 1));
    expect_run(server, 0, whole_server(port, {1}));
}

}  // namespace
