#pragma once
// What every end-to-end test shares: a fixture that never leaves a child
// behind, and the one way a finished run is checked.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "harness.h"
#include "transcript.h"

class E2e : public ::testing::Test {
protected:
    void TearDown() override { kill_leftovers(); }
};

// Starts the program as a server and waits until it is ready to accept.
::testing::AssertionResult start_server(Child &server, const std::vector<std::string> &args,
                                        bool on_terminal = false);

// Waits for a run to end and checks it whole: within its time limit, nothing
// on standard error, the exit status, and the normalized standard output.
// Returns the normalized transcript for further checks.
Transcript expect_run(Child &child, int status, const std::string &expected, double limit = run_limit);
