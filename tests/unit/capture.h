#pragma once
// Runs a piece of the program and returns what it wrote to standard output.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

template <typename Body>
std::string captured_stdout(Body body) {
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
