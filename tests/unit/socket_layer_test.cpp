// The socket layer's Windows behaviour where a real peer cannot force it:
// a send to a closed peer must be an error number, not SIGPIPE.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/layer.h"

namespace {

TEST(SocketLayer, SendToAClosedPeerIsResetNotASignal) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    char piece[1024] = {0};
    // EPIPE, and SIGPIPE's default action would end this test process.
    EXPECT_EQ(winsock::send(pair[0], piece, sizeof piece, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10054);
    close(pair[0]);
}

TEST(SocketLayer, EveryFailedCallLeavesItsOwnNumber) {
    char piece[16];
    EXPECT_EQ(winsock::recv(-1, piece, sizeof piece, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10009);
    // An empty label: refused without a query leaving the machine.
    EXPECT_EQ(winsock::gethostbyname("no-such-host..invalid"), nullptr);
    EXPECT_EQ(WSAGetLastError(), 11001);
    WSASetLastError(0);
    EXPECT_EQ(WSAGetLastError(), 0);
}

TEST(SocketLayer, CleanupClosesWhatIsStillOpen) {
    SOCKET s = winsock::socket(2, 1, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    WSACleanup();
    // The descriptor is gone: the system refuses it.
    EXPECT_EQ(winsock::listen(s, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10009);
}

}  // namespace
