// The Windows side of watching a data socket's peer. The keepalive timings
// (Windows 10 1709 and later) are TCP options of the same setsockopt as
// Windows Sockets 1.1; a system that refuses one keeps its own, much longer,
// timing for it (Wine 8 takes only SO_KEEPALIVE, with the host's two hours
// before the first probe). A sender's peer that stops acknowledging data is
// ended by Windows' own retransmission limit (TcpMaxDataRetransmissions,
// 5 by default). No TCP_MAXRT: it bounds the time without an acknowledgement,
// and nothing promises that it spares a peer that answers window probes with
// its window shut, which is alive and must be waited for. TCP_MAXRTMS is the
// same bound in milliseconds; no documented option caps the backoff between
// retransmissions or window probes, as Linux 6.15's TCP_RTO_MAX_MS does.
#include "platform/platform.h"

namespace {

// Windows' option numbers; the Windows Sockets 1.1 header has none of them.
const int tcp_keepidle = 3;
const int tcp_keepcnt = 16;
const int tcp_keepintvl = 17;

}  // namespace

// Keepalive finds a peer gone while nothing is to be sent (the server's
// side), and recv then fails with 10060.
void watch_peer(SOCKET s) {
    const int settings[][3] = {
        {SOL_SOCKET, SO_KEEPALIVE, 1},
        {IPPROTO_TCP, tcp_keepidle, peer_idle_seconds},
        {IPPROTO_TCP, tcp_keepintvl, peer_probe_interval_seconds},
        {IPPROTO_TCP, tcp_keepcnt, peer_probe_count},
    };
    for (const auto &setting : settings)
        setsockopt(s, setting[0], setting[1], reinterpret_cast<const char *>(&setting[2]), sizeof setting[2]);
}
