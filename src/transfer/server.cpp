// The server side: listens, and receives and discards what each peer sends.
#include <cstring>

#include "console/console.h"
#include "driver/options.h"
#include "meter/meter.h"
#include "report/report.h"
#include "transfer/transfer.h"
#include "version.h"

namespace {

// "connection" or "connections" for the waiting line; sized for the longer.
char count_word[12];
char receive_buffer[piece_size];

// Receives from one connected peer until it closes; returns the byte total.
int64_t receive_all(SOCKET data) {
    int64_t total = 0;
    set_transfer_totals(0);
    meter_update(0);
    int n = recv(data, receive_buffer, piece_size, 0);
    while (n > 0) {
        total = account_piece(total, n);
        n = recv(data, receive_buffer, piece_size, 0);
    }
    // A failed receive ends this connection only; the run goes on.
    if (n == SOCKET_ERROR) report_error("Failed on recv()", WSAGetLastError());
    return total;
}

}  // namespace

int run_server(void) {
    strcpy(count_word, "connections");
    memset(receive_buffer, 0, sizeof receive_buffer);

    console_print("\n");
    console_print("\n%s - Initializing SERVER mode on port %d...", PIPEMETER_NAME, options.port);
    console_print("\n");

    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener == INVALID_SOCKET) return report_failure("\nFailed to create socket", WSAGetLastError());

    sockaddr_in address = ipv4_address(options.port, INADDR_ANY);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return report_failure("Failed to bind() local address to the listening socket", WSAGetLastError());
    if (listen(listener, 0) != 0) return report_failure("Failed to enter socket listen() state", WSAGetLastError());

    while (options.server_count >= 1) {
        if (options.server_count == 1) strcpy(count_word, "connection");
        console_print("\n");
        print_cancel_hint();
        console_print("\rWaiting for %d new %s on port %d...", options.server_count, count_word, options.port);
        console_flush();

        int length = sizeof address;
        SOCKET data = accept(listener, reinterpret_cast<sockaddr *>(&address), &length);
        if (data == INVALID_SOCKET)
            return report_failure("Failed to accept() incoming connection attempts", WSAGetLastError());
        // A client whose host vanished fails the receive below in bounded time.
        watch_peer(data);

        SYSTEMTIME now;
        GetLocalTime(&now);
        length = sizeof address;
        getpeername(data, reinterpret_cast<sockaddr *>(&address), &length);

        char peer[dotted_quad_size];
        format_dotted_quad(peer, sizeof peer, address.sin_addr.s_addr);
        char side_line[side_line_size];
        console_format(side_line, sizeof side_line, "\rClient connected from %s", peer);
        print_transfer_header(now, side_line);

        int64_t total = receive_all(data);
        end_transfer(data, "\rClient has disconnected.\n\n", total);
        --options.server_count;
    }
    return 0;
}
