// A failed or wrong start of the socket layer, the tone of an error, and an error number without a text.
#include <tuple>

#include "captured.h"
#include "driver/driver.h"
#include "platform/platform.h"
#include "platform/posix/test_seams.h"
#include "report/report.h"

static int fake_start_result, fake_start_calls;
static WORD fake_version;
static int fake_start(WORD requested, WSADATA *data) {
    ++fake_start_calls;
    data->wVersion = requested == MAKEWORD(1, 1) ? fake_version : 0;
    return fake_start_result;
}

static unsigned tone[2];
static BOOL fake_beep(DWORD frequency, DWORD duration_ms) {
    tone[0] = frequency;
    tone[1] = duration_ms;
    return 1;
}

// Every start that is no 1.1 ends in a report, one cleanup and a status that never reads as success; every report
// beeps at 443 Hz for 200 ms.
TEST(Start, AFailedOrWrongStartIsReportedAndCleanedUpOnce) {
    platform_fakes.startup = fake_start;
    platform_fakes.beep = fake_beep;
    const std::string version =
        "Failed to initialize WinSock, DLL does not support Sockets v1.1, error 10092.\n\n"
        "Wsock DLL Version out of range";
    const std::tuple<int, WORD, std::string, int> cases[] = {
        {10091, 0x0101, "WSAStartup() failed, error 10091.\n\nNetwork SubSystem is unavailable", 10091 & 0xff},
        {10240, 0x0101, "WSAStartup() failed, error 10240.\n\n", 255},  // no text; low 8 bits 0
        {0, 0x0202, version, 10092 & 0xff},
        {0, 0x0201, version, 10092 & 0xff},
        {0, 0x0102, version, 10092 & 0xff}};
    char *argv[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), nullptr};
    for (const auto &[start_result, version_given, report, status] : cases) {
        fake_start_result = start_result;
        fake_version = version_given;
        int cleanups = platform_cleanup_calls, result = 0;
        tone[0] = tone[1] = 0;
        EXPECT_EQ(captured([&] { result = program_main(2, argv); }), "\n\n" + report + "\n\n");
        EXPECT_EQ(exit_status(result) & 0xff, status);
        EXPECT_EQ(platform_cleanup_calls, cleanups + 1);
        EXPECT_EQ(std::make_pair(tone[0], tone[1]), std::make_pair(443u, 200u));
    }
    char *usage[] = {const_cast<char *>("pipemeter"), const_cast<char *>("/S"), const_cast<char *>("/?"), nullptr};
    fake_start_calls = 0;
    captured([&] { EXPECT_EQ(program_main(3, usage), 1); });
    EXPECT_EQ(fake_start_calls, 0) << "the usage screen never starts the socket layer";
    platform_fakes = {};
}

TEST(Report, ANumberWithoutTextPrintsAnEmptyLine) {
    // String table keys are 16 bits: 75536 must not read as 10000.
    for (int number : {0, 10107, 11005, -1, 10000 + 65536})
        EXPECT_EQ(captured([&] { report_error("Failed on recv()", number); }),
                  "\n\nFailed on recv(), error " + std::to_string(number) + ".\n\n\n\n");
}
