// The Windows side of watching a data socket's peer. Windows 10 (1709 and
// later) takes the keepalive timings and a retransmission limit as TCP
// options through the same setsockopt as Windows Sockets 1.1; older systems
// refuse them and keep their own, much longer, timings.
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
