// Error reports by number.
#include "fake_tick.h"
#include "report/report.h"

namespace {

TEST(Report, ANumberWithoutTextPrintsAnEmptyLine) {
    // String table keys are 16 bits: 75536 must not read as 10000.
    for (int number : {0, 10107, 11005, -1, 10000 + 65536})
        EXPECT_EQ(captured([&] { report_error("Failed on recv()", number); }),
                  "\n\nFailed on recv(), error " + std::to_string(number) + ".\n\n\n\n");
}

}  // namespace
