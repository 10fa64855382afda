// The Windows side of watching a data socket's peer. The keepalive timings
// (Windows 10 1709 and later) and the retransmission limit (Vista and later)
// are TCP options of the same setsockopt as Windows Sockets 1.1; a system
// that refuses one keeps its own, much longer, timing for it (Wine 8 takes
// only SO_KEEPALIVE, with the host's two hours before the first probe).
#include "platform/platform.h"

namespace {

// Windows' option numbers; the Windows Sockets 1.1 header has none of them.
const int tcp_keepidle = 3;
const int tcp_maxrt = 5;
const int tcp_keepcnt = 16;
const int tcp_keepintvl = 17;

}  // namespace

// Keepalive finds a peer gone while nothing is to be sent (the server's
// side); the retransmission limit one that stops acknowledging data (the
// client's). Both then fail recv or send with 10060.
void watch_peer(SOCKET s) {
    const int settings[][3] = {
        {SOL_SOCKET, SO_KEEPALIVE, 1},
        {IPPROTO_TCP, tcp_keepidle, peer_idle_seconds},
        {IPPROTO_TCP, tcp_keepintvl, peer_probe_interval_seconds},
        {IPPROTO_TCP, tcp_keepcnt, peer_probe_count},
        {IPPROTO_TCP, tcp_maxrt, peer_silence_limit_seconds},
    };
    for (const auto &setting : settings)
        setsockopt(s, setting[0], setting[1], reinterpret_cast<const char *>(&setting[2]), sizeof setting[2]);
}
