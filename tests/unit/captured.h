// Standard output captured around a call.
#pragma once
#include <gtest/gtest.h>
#include <string>

template <typename Body>
std::string captured(Body body) {
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
