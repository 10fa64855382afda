#include "console/console.h"
#include "driver/options.h"
#include "platform/platform.h"

int main(int argc, char *argv[]) {
    console_start();
    int result = program_main(argc, argv);
    console_flush();
    return exit_status(result);
}
