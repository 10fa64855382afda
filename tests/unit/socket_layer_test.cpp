// The socket layer's numbers where no real peer can force them: a send to a
// vanished peer, and errno and resolver results without a Windows twin.
#include <cerrno>
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/layer.h"

namespace {

TEST(SocketLayer, AVanishedPeerIsAnErrorNumberNeverASignal) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    char piece[1024] = {0};
    // EPIPE: SIGPIPE's default action would end this process.
    EXPECT_EQ(winsock::send(pair[0], piece, sizeof piece, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10054);
    close(pair[0]);
    const int rows[][2] = {{ECONNREFUSED, 10061}, {ECONNRESET, 10054}, {EADDRINUSE, 10048}, {ETIMEDOUT, 10060},
                           {EHOSTUNREACH, 10065}, {EINTR, 10004}, {ENOTSOCK, 10038}, {EDOM, 10107}, {0, 10107}};
    for (const auto &row : rows) EXPECT_EQ(wsa_from_errno(row[0]), row[1]) << row[0];
    for (int e = 0; e < 200; ++e) EXPECT_NE(wsa_from_errno(e) & 0xff, 0) << "errno " << e << " exits as success";
    EXPECT_EQ(wsa_from_resolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(wsa_from_resolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(wsa_from_resolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(wsa_from_resolver(EAI_NODATA, 0), 11004);
}

}  // namespace
