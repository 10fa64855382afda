// The error reporter's bytes and the error text table, key by key.
#include <cerrno>
#include <netdb.h>
#include <string>

#include "capture.h"
#include "platform/posix/layer.h"
#include "report/report.h"

namespace {

std::string table_text(unsigned id) {
    char buffer[260];
    memset(buffer, 'x', sizeof buffer);
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    EXPECT_EQ(static_cast<size_t>(length), strlen(buffer));
    return buffer;
}

TEST(ErrorTable, HoldsExactlyTheFiftyOneTexts) {
    const struct {
        unsigned number;
        const char *text;
    } expected[] = {
        {10000, "No Error"}, {10004, "Interrupted system call"}, {10009, "Bad file number"},
        {10013, "Permission denied"}, {10014, "Bad address"}, {10022, "Invalid argument"},
        {10024, "Too many open files"}, {10035, "Operation would block"}, {10036, "Operation now in progress"},
        {10037, "Operation already in progress"}, {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"}, {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"}, {10042, "Bad protocol option"}, {10043, "Protocol not supported"},
        {10044, "Socket type not supported"}, {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"}, {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"}, {10049, "Can't assign requested address"}, {10050, "Network is down"},
        {10051, "Network is unreachable"}, {10052, "Net dropped connection or reset"},
        {10053, "Software caused connection abort"}, {10054, "Connection reset by peer"},
        {10055, "No buffer space available"}, {10056, "Socket is already connected"},
        {10057, "Socket is not connected"}, {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"}, {10060, "Connection timed out"},
        {10061, "Connection refused"}, {10062, "Too many levels of symbolic links"}, {10063, "File name too long"},
        {10064, "Host is down"}, {10065, "No Route to Host"}, {10066, "Directory not empty"},
        {10067, "Too many processes"}, {10068, "Too many users"}, {10069, "Disc Quota Exceeded"},
        {10070, "Stale NFS file handle"}, {10071, "Too many levels of remote in path"},
        {10091, "Network SubSystem is unavailable"}, {10092, "Wsock DLL Version out of range"},
        {10093, "Successful WSASTARTUP not yet performed"}, {11001, "Host not found"},
        {11002, "Non-Authoritative Host not found"}, {11003, "Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record of requested type"},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], 51u);
    size_t next = 0;
    // Every key from 0 past the last entry: the listed ones have their text,
    // every other has none.
    for (unsigned id = 0; id <= 0x10000; ++id) {
        if (next < 51 && expected[next].number == id) {
            EXPECT_EQ(table_text(id), expected[next].text) << id;
            ++next;
        } else if (id % 1000 == 0 || (id > 9990 && id < 11010)) {
            EXPECT_EQ(table_text(id), "") << id;
        }
    }
    EXPECT_EQ(next, 51u);
}

TEST(ErrorTable, CutsALongTextToTheBuffer) {
    char buffer[5];
    EXPECT_EQ(LoadStringA(nullptr, 11001, buffer, sizeof buffer), 4);
    EXPECT_STREQ(buffer, "Host");
}

TEST(ReportError, PrintsTheStepTheNumberAndTheTableText) {
    std::string text = captured_stdout([] { report_error("Failed to connect socket to server", 10061); });
    EXPECT_EQ(text, "\n\nFailed to connect socket to server, error 10061.\n\nConnection refused\n\n");
    text = captured_stdout([] { report_error("\nFailed to create socket", 10092); });
    EXPECT_EQ(text, "\n\n\nFailed to create socket, error 10092.\n\nWsock DLL Version out of range\n\n");
}

TEST(ReportError, ANumberWithoutATextPrintsAnEmptyLine) {
    for (int number : {0, 10001, 10107, 11005, -1, 10000 + 65536}) {
        std::string text = captured_stdout([&] { report_error("Failed on recv()", number); });
        EXPECT_EQ(text, "\n\nFailed on recv(), error " + std::to_string(number) + ".\n\n\n\n") << number;
    }
}

TEST(ErrorNumbers, EveryPosixErrorHasAWindowsSocketsNumber) {
    const struct {
        int errno_value;
        int number;
    } expected[] = {
        {ECONNREFUSED, 10061}, {ECONNRESET, 10054}, {EPIPE, 10054},      {ECONNABORTED, 10053},
        {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ETIMEDOUT, 10060}, {ENETUNREACH, 10051},
        {EHOSTUNREACH, 10065}, {EAGAIN, 10035},     {EINTR, 10004},      {EBADF, 10009},
        {EACCES, 10013},       {EMFILE, 10024},     {ENOTSOCK, 10038},   {ENOTCONN, 10057},
        {ENOBUFS, 10055},      {EAFNOSUPPORT, 10047}, {EINVAL, 10022},   {ENETDOWN, 10050},
    };
    for (const auto &row : expected) EXPECT_EQ(wsa_from_errno(row.errno_value), row.number) << row.errno_value;
    // An errno with no twin still reads as a failure.
    EXPECT_EQ(wsa_from_errno(EDOM), 10107);
    EXPECT_EQ(wsa_from_errno(0), 10107);
    for (int e = 0; e < 200; ++e) {
        int number = wsa_from_errno(e);
        EXPECT_GE(number, 10000);
        EXPECT_NE(number & 0xff, 0) << "errno " << e << " would exit as success";
    }
}

TEST(ErrorNumbers, ResolverFailuresAreElevenThousandOneToFour) {
    EXPECT_EQ(wsa_from_resolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(wsa_from_resolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(wsa_from_resolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(wsa_from_resolver(EAI_NODATA, 0), 11004);
    EXPECT_EQ(wsa_from_resolver(EAI_SYSTEM, ECONNREFUSED), 10061);
    EXPECT_EQ(wsa_from_resolver(EAI_SYSTEM, 0), 11003);
}

}  // namespace
