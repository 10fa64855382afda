// Socket-layer numbers no real peer can force: a send to a gone peer, errnos with no Windows twin, resolver failures.
#include <cerrno>
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/layer.h"

TEST(SocketLayer, FailuresAreWindowsSocketsNumbersNeverASignalNorZero) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    char piece[1024] = {0};
    EXPECT_EQ(winsock::send(pair[0], piece, sizeof piece, 0), SOCKET_ERROR);  // EPIPE; a SIGPIPE would end this test
    EXPECT_EQ(WSAGetLastError(), 10054);
    close(pair[0]);
    for (int e = 0; e < 200; ++e) EXPECT_NE(wsa_from_errno(e) & 0xff, 0) << "errno " << e << " exits as success";
    EXPECT_EQ(wsa_from_errno(EDOM), 10107);
    const int resolver[][2] = {{EAI_NONAME, 11001}, {EAI_AGAIN, 11002}, {EAI_FAIL, 11003}, {EAI_NODATA, 11004}};
    for (const auto &row : resolver) EXPECT_EQ(wsa_from_resolver(row[0], 0), row[1]);
}
