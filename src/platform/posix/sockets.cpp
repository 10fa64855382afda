// Windows Sockets 1.1 over POSIX sockets: blocking IPv4 TCP with Windows
// error numbers, no SIGPIPE, and Windows' rules for binding a port.
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/posix/layer.h"
#include "platform/peer.h"

static_assert(sizeof(winsock::sockaddr_in) == sizeof(::sockaddr_in), "IPv4 address layout");
static_assert(sizeof(winsock::sockaddr) == sizeof(::sockaddr), "socket address layout");

namespace {

// Windows' values as core code passes them.
const int wsa_af_inet = 2;
const int wsa_sock_stream = 1;

// Sockets still open, closed by WSACleanup as Windows does. The program holds
// at most two at a time; the rest of the room is for a test calling it often.
const int max_open = max_sockets;
int open_sockets[max_open];
int open_count = 0;

void remember(int fd) {
    if (open_count < max_open) open_sockets[open_count++] = fd;
}

void forget(int fd) {
    for (int i = 0; i < open_count; ++i) {
        if (open_sockets[i] == fd) {
            open_sockets[i] = open_sockets[--open_count];
            return;
        }
    }
}

// Records the Windows number for errno_value; returns SOCKET_ERROR.
int fail_with(int errno_value) {
    set_last_error(wsa_from_errno(errno_value));
    return SOCKET_ERROR;
}

// The failure of the system call just made.
int fail(void) { return fail_with(errno); }

// Errors that Linux hands to accept for a new connection that failed while it
// waited in the queue (or a signal); its manual asks the caller to try again,
// and Windows does not fail accept for them. EOPNOTSUPP is also the lasting
// answer of a socket that is not a stream, so it is retried only on one.
bool accept_again(int listener, int errno_value) {
    switch (errno_value) {
    case EINTR:
    case ENETDOWN:
    case EPROTO:
    case ENOPROTOOPT:
    case EHOSTDOWN:
#ifdef ENONET
    case ENONET:
#endif
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ECONNABORTED: return true;
    case EOPNOTSUPP: {
        int type = 0;
        socklen_t length = sizeof type;
        return ::getsockopt(listener, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
    }
    default: return false;
    }
}

// Converts a Windows-style address to the system's, which has the same
// layout; the family is translated in case the system numbers it otherwise.
bool to_system(const winsock::sockaddr *name, int namelen, ::sockaddr_in *out) {
    if (name == nullptr || namelen < static_cast<int>(sizeof(::sockaddr_in))) return false;
    memcpy(out, name, sizeof *out);
    u_short family;
    memcpy(&family, name, sizeof family);
    out->sin_family = family == wsa_af_inet ? AF_INET : static_cast<sa_family_t>(family);
    return true;
}

void from_system(const ::sockaddr_in &in, winsock::sockaddr *name, int *namelen) {
    if (name == nullptr || namelen == nullptr || *namelen < static_cast<int>(sizeof in)) return;
    ::sockaddr_in copy = in;
    memcpy(name, &copy, sizeof copy);
    u_short family = copy.sin_family == AF_INET ? wsa_af_inet : copy.sin_family;
    memcpy(name, &family, sizeof family);
    *namelen = sizeof copy;
}

}  // namespace

void close_all_sockets(void) {
    while (open_count > 0) ::close(open_sockets[--open_count]);
}

// Linux 6.15's cap on the retransmission timeout, in milliseconds; older
// headers lack it, older kernels refuse it.
#if defined(__linux__) && !defined(TCP_RTO_MAX_MS)
#define TCP_RTO_MAX_MS 44
#endif

// Keepalive finds a peer gone while nothing is to be sent (the server's
// side): unanswered probes for the silence limit end the connection, and
// recv then fails with ETIMEDOUT. A sender's own check is in send below; the
// send timeout makes a blocked send look at the peer every probe interval.
// Retransmissions and window probes back off to at most the probe interval,
// not the system's two minutes, so that check counts a vanished host's
// unanswered probes in seconds whatever state the connection was in; where
// the cap is refused they come as far apart as the system lets them.
// No user timeout: Linux's would also end a peer whose host answers every
// window probe while its program is busy, queued or stopped. Refusals leave
// the socket as it was.
void watch_peer(SOCKET s) {
    const int settings[][3] = {
        {SOL_SOCKET, SO_KEEPALIVE, 1},
#ifdef TCP_KEEPIDLE
        {IPPROTO_TCP, TCP_KEEPIDLE, peer_idle_seconds},
        {IPPROTO_TCP, TCP_KEEPINTVL, peer_probe_interval_seconds},
        {IPPROTO_TCP, TCP_KEEPCNT, peer_probe_count},
#endif
#ifdef __linux__
        {IPPROTO_TCP, TCP_RTO_MAX_MS, peer_probe_interval_seconds * 1000},
#endif
    };
    for (const auto &setting : settings) ::setsockopt(s, setting[0], setting[1], &setting[2], sizeof setting[2]);
    timeval wait = {peer_probe_interval_seconds, 0};
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
}

namespace {

// Whether the host at the other end still answers. It is gone once it has
// acknowledged nothing (data, a window probe, a keepalive) for the silence
// limit and has let several probes or retransmissions in a row go
// unanswered: a live host whose window stays shut answers probes that come
// further and further apart (up to two minutes), so silence alone proves
// nothing, and one lost probe ends nothing. Where the system does not say
// (no TCP_INFO, or a shorter record than ours, as qemu-user gives), the peer
// counts as alive: the system's own retransmission limit (about 15 minutes
// on Linux) then ends a dead one, and no live one is cut.
bool peer_answers(int s) {
#ifdef TCP_INFO
    tcp_info info;
    socklen_t length = sizeof info;
    if (::getsockopt(s, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
        length < offsetof(tcp_info, tcpi_last_ack_recv) + sizeof info.tcpi_last_ack_recv)
        return true;
    int unanswered = info.tcpi_probes > info.tcpi_retransmits ? info.tcpi_probes : info.tcpi_retransmits;
    return unanswered < peer_probe_count ||
           info.tcpi_last_ack_recv < static_cast<uint32_t>(peer_silence_limit_seconds) * 1000u;
#else
    (void)s;
    return true;
#endif
}

}  // namespace

namespace winsock {

SOCKET socket(int af, int type, int protocol) {
    int system_af = af == wsa_af_inet ? AF_INET : af;
    int system_type = type == wsa_sock_stream ? SOCK_STREAM : type;
    int fd = ::socket(system_af, system_type | SOCK_CLOEXEC, protocol);
    if (fd < 0) return fail();
    remember(fd);
    return fd;
}

int bind(SOCKET s, const sockaddr *name, int namelen) {
    ::sockaddr_in address;
    if (!to_system(name, namelen, &address)) return fail_with(EFAULT);
    // As on Windows, a port held only by connections in TIME_WAIT can be
    // bound again, while a live listener still makes bind fail (10048).
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(s, reinterpret_cast<::sockaddr *>(&address), sizeof address) != 0) return fail();
    return 0;
}

int listen(SOCKET s, int backlog) {
    // The queue is as deep as the system allows (a larger value is cut to its
    // maximum, net.core.somaxconn on Linux), whatever the caller asks: with a
    // short queue and syncookies, Linux completes the handshake of a client
    // that overflows it and then resets that client instead of letting it
    // wait its turn. A burst of clients must all wait until accepted.
    (void)backlog;
    if (::listen(s, INT_MAX) != 0) return fail();
    return 0;
}

SOCKET accept(SOCKET s, sockaddr *addr, int *addrlen) {
    ::sockaddr_in peer;
    socklen_t length = sizeof peer;
    int fd;
    int error;
    do {
        length = sizeof peer;
        fd = ::accept4(s, reinterpret_cast<::sockaddr *>(&peer), &length, SOCK_CLOEXEC);
        error = errno;
    } while (fd < 0 && accept_again(s, error));
    if (fd < 0) return fail_with(error);
    remember(fd);
    from_system(peer, addr, addrlen);
    return fd;
}

int getpeername(SOCKET s, sockaddr *name, int *namelen) {
    ::sockaddr_in peer;
    socklen_t length = sizeof peer;
    if (::getpeername(s, reinterpret_cast<::sockaddr *>(&peer), &length) != 0) return fail();
    from_system(peer, name, namelen);
    return 0;
}

int connect(SOCKET s, const sockaddr *name, int namelen) {
    ::sockaddr_in address;
    if (!to_system(name, namelen, &address)) return fail_with(EFAULT);
    if (::connect(s, reinterpret_cast<::sockaddr *>(&address), sizeof address) != 0) return fail();
    return 0;
}

// Blocks until all of buf is taken, as a Windows blocking send does, for as
// long as the peer's host answers, even with its window shut. A send timeout
// (set by watch_peer) only wakes it to ask; one that finds the host silent
// for the limit fails with ETIMEDOUT. After a partial send the count taken
// is returned, and the failure comes with the next call.
int send(SOCKET s, const char *buf, int len, int flags) {
    if (len < 0) return fail_with(EINVAL);
    int sent = 0;
    while (sent < len) {
        // MSG_NOSIGNAL: a peer that has gone away is an error number, not SIGPIPE.
        ssize_t n = ::send(s, buf + sent, static_cast<size_t>(len - sent), flags | MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<int>(n);
            continue;
        }
        int error = errno;
        if (error == EINTR) continue;
        if ((error == EAGAIN || error == EWOULDBLOCK) && peer_answers(s)) continue;
        if (sent > 0) break;
        return fail_with(error == EAGAIN || error == EWOULDBLOCK ? ETIMEDOUT : error);
    }
    return sent;
}

int recv(SOCKET s, char *buf, int len, int flags) {
    if (len < 0) return fail_with(EINVAL);
    ssize_t n;
    do {
        n = ::recv(s, buf, static_cast<size_t>(len), flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return fail();
    return static_cast<int>(n);
}

int closesocket(SOCKET s) {
    forget(s);
    if (::close(s) != 0) return fail();
    return 0;
}

// Parenthesised: the C library may define htons as a macro.
u_short(htons)(u_short host) { return ::htons(host); }

unsigned long inet_addr(const char *text) {
    if (text == nullptr) return INADDR_NONE;
    return ::inet_addr(text);
}

// One IPv4 address per lookup, kept in static storage as Windows keeps its
// per-thread hostent.
hostent *gethostbyname(const char *name) {
    static char name_buffer[256];
    static uint32_t address;
    static char *address_list[2];
    static char *no_aliases[1];
    static hostent entry;

    if (name == nullptr) {
        set_last_error(wsa_from_errno(EFAULT));
        return nullptr;
    }
    ::addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ::addrinfo *found = nullptr;
    errno = 0;
    int result = ::getaddrinfo(name, nullptr, &hints, &found);
    if (result != 0) {
        set_last_error(wsa_from_resolver(result, errno));
        return nullptr;
    }
    if (found == nullptr || found->ai_addr == nullptr) {
        if (found != nullptr) ::freeaddrinfo(found);
        set_last_error(WSANO_DATA);
        return nullptr;
    }
    ::sockaddr_in first;
    memcpy(&first, found->ai_addr, sizeof first);
    ::freeaddrinfo(found);

    address = first.sin_addr.s_addr;
    strncpy(name_buffer, name, sizeof name_buffer - 1);
    name_buffer[sizeof name_buffer - 1] = '\0';
    address_list[0] = reinterpret_cast<char *>(&address);
    address_list[1] = nullptr;
    no_aliases[0] = nullptr;
    entry.h_name = name_buffer;
    entry.h_aliases = no_aliases;
    entry.h_addrtype = wsa_af_inet;
    entry.h_length = sizeof address;
    entry.h_addr_list = address_list;
    return &entry;
}

}  // namespace winsock
