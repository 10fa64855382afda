// The client side: resolves the host, connects, and sends the megabytes asked for.
#include <cstring>

#include "console/console.h"
#include "driver/options.h"
#include "meter/meter.h"
#include "report/report.h"
#include "transfer/transfer.h"

namespace {

// What every piece on the wire is cut from: 1023 printable characters and a
// zero byte. The server never looks at it.
const char block_text[] =
    "Pipemeter measures the transfer rate of a TCP connection: the client sends fixed 1024-byte "
    "pieces of this block as fast as the connection takes them, and the server receives and "
    "discards them. ";
char send_block[piece_size];

void fill_send_block(void) {
    const size_t text_length = sizeof block_text - 1;
    for (size_t i = 0; i + 1 < sizeof send_block; ++i) send_block[i] = block_text[i % text_length];
    send_block[sizeof send_block - 1] = '\0';
}

}  // namespace

uint32_t resolve_host(const char *name) {
    if (name == nullptr || name[0] == '\0') return 0;
    unsigned long dotted = inet_addr(name);
    if (dotted != INADDR_NONE) return static_cast<uint32_t>(dotted);
    if (strcmp(name, "255.255.255.255") == 0) return INADDR_NONE;
    hostent *host = gethostbyname(name);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return 0;
    uint32_t address;
    memcpy(&address, host->h_addr_list[0], sizeof address);
    return address;
}

int run_client(void) {
    fill_send_block();
    uint64_t to_send = static_cast<uint64_t>(options.megabytes) * 1048576u;
    int64_t total = 0;

    console_print("\n");
    print_cancel_hint();
    console_print("\rInitializing CLIENT mode on port %d...", options.port);
    console_print("\n");

    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return report_failure("Failed to create socket", WSAGetLastError());

    // A host refused before any lookup leaves no error number; it is still a
    // failed lookup, "Host not found", and must not end as a success.
    WSASetLastError(0);
    sockaddr_in address = ipv4_address(options.port, resolve_host(options.host));
    if (address.sin_addr.s_addr == 0 || address.sin_addr.s_addr == INADDR_NONE) {
        int number = WSAGetLastError();
        return report_failure("Failed on host lookup", number != 0 ? number : WSAHOST_NOT_FOUND);
    }

    char server[dotted_quad_size];
    format_dotted_quad(server, sizeof server, address.sin_addr.s_addr);
    console_print("\n");
    console_print("\nConnecting to %s...", server);
    console_flush();
    if (connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return report_failure("Failed to connect socket to server", WSAGetLastError());
    // Only now, so connecting takes as long as it always has; a server whose
    // host vanished fails the sends below in bounded time.
    watch_peer(s);

    SYSTEMTIME now;
    GetLocalTime(&now);
    char side_line[side_line_size];
    console_format(side_line, sizeof side_line, "\rSending %dMB to %s", options.megabytes, server);
    print_transfer_header(now, side_line);

    meter_update(0);
    for (;;) {
        int piece = to_send < static_cast<uint64_t>(piece_size) ? static_cast<int>(to_send) : piece_size;
        int n = send(s, send_block, piece, 0);
        if (n == SOCKET_ERROR) return report_failure("Failed on send()", WSAGetLastError());
        if (n == 0) break;
        total = account_piece(total, n);
        to_send -= static_cast<uint64_t>(n);
        if (to_send == 0) break;
    }
    end_transfer(s, "\rDisconnected from host.\n", total);
    return 0;
}
