// The command line, read by the real program.
#include "e2e.h"

#include <unistd.h>

namespace {

class CommandLine : public E2e {};

// Runs the program with args and expects the usage screen and status 1.
void expect_usage(const std::vector<std::string> &args) {
    Child child;
    ASSERT_TRUE(run_program(child, args));
    EXPECT_EQ(child.err, "");
    EXPECT_EQ(child.status, 1);
    EXPECT_EQ(child.out, usage_screen(program_shown_name()));
}

// A peer that connects and leaves at once.
void touch(int port) {
    int fd = connect_to(port);
    ASSERT_GE(fd, 0) << "nothing listens on port " << port;
    close(fd);
}

TEST_F(CommandLine, NoModeShowsTheUsageScreen) {
    SCOPED_TRACE("no arguments");
    expect_usage({});
    SCOPED_TRACE("an empty host and no server");
    expect_usage({"/H:"});
    SCOPED_TRACE("settings but no mode");
    expect_usage({"/P:7777", "/M:5", "extra"});
}

TEST_F(CommandLine, HelpWordsInBothPrefixesAndAnyCase) {
    for (const char *word : {"/?", "-?", "/help", "-help", "/HELP", "-Help", "/hElP"}) {
        SCOPED_TRACE(word);
        expect_usage({word});
    }
    SCOPED_TRACE("a help word after other settings");
    expect_usage({"/P:7777", "/?"});
    SCOPED_TRACE("a help word ends the reading: the server after it never runs");
    expect_usage({"-help", "/S"});
    SCOPED_TRACE("a help word wins over a complete client command line");
    expect_usage({"/H:127.0.0.1", "/P:1", "-?"});
}

TEST_F(CommandLine, UsageNamesTheProgramByTheTextAfterItsLastBackslash) {
    if (has_runner()) GTEST_SKIP() << "the runner chooses the program's first argument";
    for (auto [argv0, name] : {std::pair<const char *, const char *>{"C:\\tools\\meter.exe", "meter.exe"},
                               {"C:\\x/y\\pm/bin", "pm/bin"},
                               {"plain/forward/slashes", "plain/forward/slashes"},
                               {"trailing\\", ""}}) {
        SCOPED_TRACE(argv0);
        Child child;
        ASSERT_TRUE(run_program(child, {}, argv0));
        EXPECT_EQ(child.status, 1);
        EXPECT_EQ(child.out, usage_screen(name));
    }
}

TEST_F(CommandLine, LowerCaseAndDashPrefixesWork) {
    int port = free_port();
    Child server;
    ASSERT_TRUE(start_server(server, {"-s:2", "-p:" + std::to_string(port)}));
    Child lower, dashed;
    ASSERT_TRUE(run_program(lower, {"/h:127.0.0.1", "/p:" + std::to_string(port), "/m:1"}));
    ASSERT_TRUE(run_program(dashed, {"-H:127.0.0.1", "-P:" + std::to_string(port), "-M:2"}));
    expect_run(lower, 0, whole_client(port, 1));
    expect_run(dashed, 0, whole_client(port, 2));
    expect_run(server, 0, whole_server(port, {1, 2}));
}

TEST_F(CommandLine, ServerWinsOverAHost) {
    int port = free_port();
    Child server;
    ASSERT_TRUE(start_server(server, {"/H:no-such-host..invalid", "/S", port_arg(port)}));
    touch(port);
    expect_run(server, 0, whole_server(port, {0}));
}

TEST_F(CommandLine, PortAbove65535UsesItsLow16BitsButShowsTheWholeNumber) {
    const int shown = 70000, used = 70000 % 65536;
    Child server;
    ASSERT_TRUE(start_server(server, {"/S:2", "/P:70000"}));
    touch(used);
    Child client;
    ASSERT_TRUE(run_program(client, {"/H:127.0.0.1", "/P:70000", "/M:1"}));
    expect_run(client, 0, whole_client(shown, 1));
    expect_run(server, 0, whole_server(shown, {0, 1}));
}

TEST_F(CommandLine, UnreadablePortIsZeroAndTheSystemChoosesOne) {
    Child server;
    ASSERT_TRUE(start_server(server, {"/S", "/P:abc"}));
    int port = listening_port(server);
    ASSERT_GT(port, 0) << "the server listens on no port";
    touch(port);
    expect_run(server, 0, whole_server(0, {0}));
}

TEST_F(CommandLine, NegativePortUsesItsLow16BitsOnTheClientSide) {
    const int used = 65535;
    int listener = listen_on(used);
    ASSERT_GE(listener, 0) << "port " << used << " is taken on this machine";
    Child client;
    ASSERT_EQ(start_program(client, {"/H:127.0.0.1", "/P:-1", "/M:1"}), 0);
    int fd = accept_within(listener, start_limit);
    ASSERT_GE(fd, 0) << "the client did not connect to port " << used;
    EXPECT_EQ(receive_bytes(fd, 1048577, run_limit), 1048576);
    close(fd);
    close(listener);
    expect_run(client, 0, whole_client(-1, 1));
}

TEST_F(CommandLine, MegabytesOutOfRangeBecomeTen) {
    int port = free_port();
    Child server;
    ASSERT_TRUE(start_server(server, {"/S:2", port_arg(port)}));
    for (const char *megabytes : {"/M:1000001", "-m:-1"}) {
        SCOPED_TRACE(megabytes);
        Child client;
        ASSERT_TRUE(run_program(client, {"/H:127.0.0.1", port_arg(port), megabytes}));
        expect_run(client, 0, whole_client(port, 10));
    }
    expect_run(server, 0, whole_server(port, {10, 10}));
}

TEST_F(CommandLine, CountIsReadFromTheFourthCharacterAndUnknownArgumentsAreIgnored) {
    int port = free_port();
    Child server;
    // /S12 reads "2"; the rest are no settings at all.
    ASSERT_TRUE(start_server(server, {"extra", "/S12", "/X", "-Q:3", port_arg(port), "H:1.2.3.4"}));
    touch(port);
    ASSERT_TRUE(read_until(server, "Waiting for 1 new connection"));
    touch(port);
    expect_run(server, 0, whole_server(port, {0, 0}));
}

}  // namespace
