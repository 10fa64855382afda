#include "e2e.h"

::testing::AssertionResult start_server(Child &server, const std::vector<std::string> &args, bool on_terminal) {
    int result = start_program(server, args, nullptr, on_terminal);
    if (result != 0) return ::testing::AssertionFailure() << "cannot start " << program_path() << ": " << result;
    if (!read_until(server, "Waiting for"))
        return ::testing::AssertionFailure() << "the server never waited for a connection; it printed:\n" << server.out;
    return ::testing::AssertionSuccess();
}

Transcript expect_run(Child &child, int status, const std::string &expected, double limit) {
    EXPECT_TRUE(finish(child, limit)) << "killed after " << limit << " s; it printed:\n" << child.out;
    EXPECT_EQ(child.err, "");
    EXPECT_EQ(child.status, status);
    Transcript t = normalize(child.out);
    EXPECT_EQ(t.text, expected);
    return t;
}
