// The usage screen.
#include <cstring>

#include "console/console.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "platform/platform.h"
#include "version.h"

namespace {
// The most of the program's path that is looked at.
const size_t max_path = 260;
}  // namespace

void show_usage(const char *path) {
    char copy[max_path + 1];
    size_t length = path == nullptr ? 0 : strnlen(path, max_path);
    if (length > 0) memcpy(copy, path, length);
    copy[length] = '\0';
    const char *backslash = find_last_backslash(copy);
    const char *name = backslash != nullptr ? backslash + 1 : copy;

    console_print("\n%s - version %s", PIPEMETER_NAME, PIPEMETER_VERSION);
    console_print("\n");
    console_print("\nCalculates the network speed (transfer rate) between two winsock hosts.");
    console_print("\n");
    console_print("\n");
    console_print("\nThe syntax of this command is:\n");
    console_print("\n");
    console_print("\n%s /H:host|/S[:n] [/P:n] [/M:n]", name);
    console_print("\n");
    console_print("\n /H:host  : Client mode, host=name/address of a machine waiting in server mode.");
    console_print("\n /S:n     : Server mode, n=# of times to answer before exiting, default is %d.",
                  default_server_count);
    console_print("\n /P:n     : n=Port number, default is %d.  (Both client & server must match)", default_port);
    console_print("\n /M:n     : n=Megabytes to transfer, default is %d. (Only valid in client mode)",
                  default_megabytes);
    console_print("\n");
    console_print("\nWritten by the %s developers.", PIPEMETER_NAME);
    console_print("\n");
    console_print("\n");
}
