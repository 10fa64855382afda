// What the server and the client do alike.
#include <cstring>

#include "console/console.h"
#include "transfer/transfer.h"

void print_cancel_hint(void) {
    console_print("\n                                                       (Press CTRL+C to cancel)");
}

sockaddr_in ipv4_address(int32_t port, uint32_t address) {
    sockaddr_in result;
    memset(&result, 0, sizeof result);
    result.sin_family = AF_INET;
    // The port is used by its low 16 bits; status lines show it whole.
    result.sin_port = htons(static_cast<u_short>(port));
    result.sin_addr.s_addr = address;
    return result;
}

void format_dotted_quad(char *text, size_t size, uint32_t address) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(&address);
    console_format(text, size, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
}

void end_transfer(SOCKET data, const char *end_line, int64_t total_bytes) {
    closesocket(data);
    console_wipe_line();
    console_write(end_line);
    print_transfer_summary(total_bytes);
}
