// One run: the command line, Windows Sockets, the chosen side, the result.
#include "console/console.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "platform/platform.h"
#include "report/report.h"
#include "transfer/transfer.h"

namespace {
// Windows Sockets 1.1, the version the program is written for.
const WORD wanted_version = MAKEWORD(1, 1);
WSADATA wsa_data;
}  // namespace

int program_main(int argc, char *argv[]) {
    const char *path = argc > 0 && argv != nullptr ? argv[0] : "";
    if (read_command_line(argc, argv) == read_help) {
        show_usage(path);
        return 1;
    }
    if (options.host[0] == '\0' && options.server_count <= 0) {
        show_usage(path);
        return 1;
    }

    int started = WSAStartup(wanted_version, &wsa_data);
    if (started != 0) {
        report_error("WSAStartup() failed", started);
        WSACleanup();
        return started;
    }
    if (LOBYTE(wsa_data.wVersion) != 1 || HIBYTE(wsa_data.wVersion) != LOBYTE(wsa_data.wVersion)) {
        report_error("Failed to initialize WinSock, DLL does not support Sockets v1.1", WSAVERNOTSUPPORTED);
        WSACleanup();
        return WSAVERNOTSUPPORTED;
    }

    int result = options.server_count != 0 ? run_server() : run_client();
    WSACleanup();
    if (result == 0) console_print("\nThe command completed successfully.\n");
    return result;
}
