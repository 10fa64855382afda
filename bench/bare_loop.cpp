// The data path alone, as the benchmark's yardstick: a blocking client that
// sends 1024-byte pieces from one buffer, and a blocking server that receives
// 1024 bytes at a time until the peer closes. No meter, no output per piece.
//
//   bare_loop server PORT          accepts one connection, prints "ready" first
//   bare_loop client PORT MEGABYTES [HOST]
//
// Exit status 0 on success, 1 on bad arguments, 2 on a socket failure.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int piece_size = 1024;
char buffer[piece_size];

sockaddr_in address_of(const char *host, int port) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = host != nullptr ? inet_addr(host) : htonl(INADDR_ANY);
    return address;
}

int serve(int port) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = address_of(nullptr, port);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(listener, 0) != 0)
        return 2;
    // The caller starts the client once this line arrives.
    printf("ready\n");
    fflush(stdout);
    int data = accept(listener, nullptr, nullptr);
    if (data < 0) return 2;
    ssize_t n;
    uint64_t total = 0;
    while ((n = recv(data, buffer, piece_size, 0)) > 0) total += static_cast<uint64_t>(n);
    close(data);
    close(listener);
    printf("received %llu\n", static_cast<unsigned long long>(total));
    return n < 0 ? 2 : 0;
}

int send_all(int port, long megabytes, const char *host) {
    memset(buffer, 'x', sizeof buffer);
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = address_of(host, port);
    if (s < 0 || connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) return 2;
    uint64_t to_send = static_cast<uint64_t>(megabytes) * 1048576u;
    while (to_send > 0) {
        size_t piece = to_send < piece_size ? static_cast<size_t>(to_send) : piece_size;
        ssize_t n = send(s, buffer, piece, MSG_NOSIGNAL);
        if (n < 0) return 2;
        to_send -= static_cast<uint64_t>(n);
    }
    close(s);
    return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
    if (argc >= 3 && strcmp(argv[1], "server") == 0) return serve(atoi(argv[2]));
    if (argc >= 4 && strcmp(argv[1], "client") == 0)
        return send_all(atoi(argv[2]), atol(argv[3]), argc >= 5 ? argv[4] : "127.0.0.1");
    fprintf(stderr, "usage: bare_loop server PORT | bare_loop client PORT MEGABYTES [HOST]\n");
    return 1;
}
