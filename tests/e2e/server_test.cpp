// The program as a server, against peers written here.
#include "e2e.h"

#include <unistd.h>

namespace {

class Server : public E2e {
protected:
    int port = free_port();
    Child server;

    void SetUp() override { ASSERT_TRUE(start_server(server, {"/S", port_arg(port)})); }

    int peer(void) {
        int fd = connect_to(port);
        EXPECT_GE(fd, 0) << "cannot connect to the server on port " << port;
        return fd;
    }
};

// A steady rate the machine keeps easily: 16 KB every 40 ms.
const int piece = 16384, gap_ms = 40;
const double steady_rate = piece * 1000.0 / gap_ms;

TEST_F(Server, PeerThatClosesAtOnceGivesAnEmptySummary) {
    close(peer());
    Transcript t = expect_run(server, 0, whole_server(port, {0}));
    EXPECT_TRUE(t.progress.empty());
    expect_numbers_sane(t, 0);
}

TEST_F(Server, FiveMillionBytesAreFourWholeMegabytes) {
    int fd = peer();
    EXPECT_TRUE(send_bytes(fd, 5000000));
    close(fd);
    expect_numbers_sane(expect_run(server, 0, whole_server(port, {4})), 5000000);
}

TEST_F(Server, PeerResetMidTransferIsReportedAndTheRunStillSucceeds) {
    int fd = peer();
    EXPECT_TRUE(send_bytes(fd, 200000));
    sleep_ms(300);  // let the server take the data and wait for more
    close_with_reset(fd);
    expect_run(server, 0,
               server_start(port) + waiting_line(1, port) + server_header() +
                   error_report("Failed on recv()", 10054, "Connection reset by peer") + server_end() + summary(0) +
                   completion());
}

TEST_F(Server, SteadyPeerShowsAProgressLineEverySecondInKBThenMB) {
    int fd = peer();
    long long sent = send_steadily(fd, piece, gap_ms, 4300);
    close(fd);
    ASSERT_GT(sent, 1048576);
    Transcript t = expect_run(server, 0, whole_server(port, {sent / 1048576}));
    expect_numbers_sane(t, sent);
    ASSERT_GE(t.progress.size(), 3u);
    EXPECT_LE(t.progress.size(), 5u) << "more than one line a second";
    EXPECT_EQ(t.progress.front().unit, "KB");
    EXPECT_EQ(t.progress.back().unit, "MB");
    for (const Progress &p : t.progress) {
        EXPECT_GT(p.rate.bps, steady_rate * 0.5) << p.rate.text;
        EXPECT_LT(p.rate.bps, steady_rate * 2) << p.rate.text;
    }
}

TEST_F(Server, NextLineAfterAStallCoversTheWholeStall) {
    int fd = peer();
    long long before = send_steadily(fd, piece, gap_ms, 1600);
    sleep_ms(2500);
    long long after = send_steadily(fd, piece, gap_ms, 1600);
    close(fd);
    ASSERT_GT(before, 0);
    ASSERT_GT(after, 0);
    Transcript t = expect_run(server, 0, whole_server(port, {(before + after) / 1048576}));
    expect_numbers_sane(t, before + after);
    ASSERT_GE(t.progress.size(), 2u);
    EXPECT_GT(t.progress.front().rate.bps, steady_rate * 0.5) << t.progress.front().rate.text;
    // At most about 0.6 s of data over at least 2.5 s: well below the steady rate.
    bool stall_line = false;
    for (const Progress &p : t.progress) stall_line = stall_line || p.rate.bps < steady_rate * 0.35;
    EXPECT_TRUE(stall_line) << "no progress line spans the stall";
}

}  // namespace
