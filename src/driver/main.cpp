// The entry point: console set-up, the run, the exit status.
#include "console/console.h"
#include "driver/driver.h"
#include "platform/platform.h"

int main(int argc, char *argv[]) {
    console_start();
    int result = program_main(argc, argv);
    console_flush();
    return exit_status(result);
}
