// The command-line reader, and the start of the socket layer through a fake
// start: a failed start and a wrong version cannot be had from the real one.
#include <climits>
#include <string>
#include <vector>

#include "capture.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "platform/platform.h"
#include "platform/posix/test_seams.h"

namespace {

ReadResult read(std::vector<const char *> args) {
    args.insert(args.begin(), "pipemeter");
    return read_command_line(static_cast<int>(args.size()), const_cast<char **>(args.data()));
}

TEST(ReadNumber, ReadsLikeA32BitAtol) {
    EXPECT_EQ(read_number(""), 0);
    EXPECT_EQ(read_number("abc"), 0);
    EXPECT_EQ(read_number("  \t+42x"), 42);
    EXPECT_EQ(read_number("-17"), -17);
    EXPECT_EQ(read_number("- 5"), 0);
    EXPECT_EQ(read_number("2147483647"), INT32_MAX);
    EXPECT_EQ(read_number("-2147483648"), INT32_MIN);
    // Overflow wraps modulo 2^32, without undefined behaviour.
    EXPECT_EQ(read_number("2147483648"), INT32_MIN);
    EXPECT_EQ(read_number("4294967297"), 1);
    EXPECT_EQ(read_number("99999999999999999999999999"), -469762049);
}

TEST(CommandLine, ServerCountIsReadFromTheFourthCharacter) {
    const struct {
        const char *arg;
        int32_t count;
    } cases[] = {{"/S", 1}, {"-s", 1}, {"/S:0", 1}, {"/S:-2", 1}, {"/S5", 1}, {"/S12", 2},
                 {"/S:3", 3}, {"-S:7", 7}, {"/s:2147483648", 1}, {"/Sx9", 9}};
    for (const auto &c : cases) {
        EXPECT_EQ(read({c.arg}), read_run);
        EXPECT_EQ(options.server_count, c.count) << c.arg;
    }
}

TEST(CommandLine, HostPortAndMegabytes) {
    read({"/h:myhost"});
    EXPECT_STREQ(options.host, "myhost");
    EXPECT_EQ(options.server_count, 0);
    EXPECT_EQ(options.port, 7777);
    EXPECT_EQ(options.megabytes, 10);
    read({"-H:other", "/P:abc", "-m:0"});
    EXPECT_STREQ(options.host, "other");
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.megabytes, 0);
    read({"/H:", "/p:70000", "/M:1000000"});
    EXPECT_STREQ(options.host, "");
    EXPECT_EQ(options.port, 70000);
    EXPECT_EQ(options.megabytes, 1000000);
    for (const char *bad : {"/M:1000001", "/M:-1", "/M:4294967295"}) {
        read({"/M:5", bad});
        EXPECT_EQ(options.megabytes, 10) << bad;
    }
    // Later arguments override earlier ones; unknown ones are skipped.
    read({"/P:1", "extra", "/X", "/P:-1", "/H:a", "/H:b"});
    EXPECT_EQ(options.port, -1);
    EXPECT_STREQ(options.host, "b");
}

TEST(CommandLine, HelpWordsStopTheReading) {
    for (const char *word : {"/?", "-?", "/help", "-HELP", "/Help"}) {
        EXPECT_EQ(read({"/P:7777", word, "/S"}), read_help) << word;
        EXPECT_EQ(options.server_count, 0);
    }
    for (const char *not_help : {"/helpme", "/h", "?", "/?x"}) EXPECT_EQ(read({not_help}), read_run) << not_help;
}

std::string usage_for(const char *path) {
    return captured_stdout([&] { show_usage(path); });
}

TEST(Usage, NameIsTheTextAfterTheLastBackslash) {
    EXPECT_NE(usage_for("C:\\tools\\meter.exe").find("\nmeter.exe /H:host|/S[:n] [/P:n] [/M:n]\n"),
              std::string::npos);
    EXPECT_NE(usage_for("./build/pipemeter").find("\n./build/pipemeter /H:host"), std::string::npos);
    EXPECT_NE(usage_for("dir\\").find("\n /H:host|/S[:n]"), std::string::npos);
    // Only the first 260 characters of the path are looked at.
    std::string long_path = std::string(250, 'a') + "\\" + std::string(9, 'b') + "\\tail";
    EXPECT_NE(usage_for(long_path.c_str()).find("\nbbbbbbbbb /H:host"), std::string::npos);
}

// A fake start of the socket layer.
int fake_result;
WORD fake_version;
int fake_calls;
int fake_start(WORD requested, WSADATA *data) {
    ++fake_calls;
    EXPECT_EQ(requested, 0x0101);
    data->wVersion = fake_version;
    return fake_result;
}

struct StartTest : testing::Test {
    void SetUp() override {
        fake_calls = 0;
        platform_fakes.startup = fake_start;
    }
    void TearDown() override { platform_fakes.startup = nullptr; }
    int run(std::vector<const char *> args, std::string *out) {
        args.insert(args.begin(), "pipemeter");
        int before = platform_cleanup_calls;
        int result = 0;
        *out = captured_stdout([&] { result = program_main(static_cast<int>(args.size()), const_cast<char **>(args.data())); });
        cleanups = platform_cleanup_calls - before;
        return result;
    }
    int cleanups = 0;
};

TEST_F(StartTest, AFailedStartIsReportedAndCleanedUpOnce) {
    fake_result = 10091;
    std::string out;
    EXPECT_EQ(run({"/S"}, &out), 10091);
    EXPECT_EQ(out, "\n\nWSAStartup() failed, error 10091.\n\nNetwork SubSystem is unavailable\n\n");
    EXPECT_EQ(cleanups, 1);
}

TEST_F(StartTest, AnyVersionButOneOneIsRefusedWith10092) {
    for (WORD version : {0x0202, 0x0001, 0x0100, 0x0201, 0x0102}) {
        fake_result = 0;
        fake_version = version;
        std::string out;
        EXPECT_EQ(run({"/H:127.0.0.1"}, &out), 10092) << version;
        EXPECT_EQ(out, "\n\nFailed to initialize WinSock, DLL does not support Sockets v1.1, error 10092.\n\n"
                       "Wsock DLL Version out of range\n\n");
        EXPECT_EQ(cleanups, 1);
    }
}

TEST_F(StartTest, TheUsageScreenNeverStartsTheSocketLayer) {
    std::string out;
    EXPECT_EQ(run({}, &out), 1);
    EXPECT_EQ(run({"/H:"}, &out), 1);
    EXPECT_EQ(run({"/S", "/?"}, &out), 1);
    EXPECT_EQ(fake_calls, 0);
    EXPECT_EQ(cleanups, 0);
}

TEST(ExitStatus, AFailureNeverReadsAsSuccess) {
    EXPECT_EQ(exit_status(0), 0);
    EXPECT_EQ(exit_status(1), 1);
    EXPECT_EQ(exit_status(10061) & 0xff, 77);
    EXPECT_EQ(exit_status(10240) & 0xff, 255);
    EXPECT_EQ(exit_status(11001) & 0xff, 249);
}

}  // namespace
