// skip_outside_ci.h - a window or GPU test that finds no display, no video or no GL context
// skips, saying what it lacked; under CI (the variable CI set to "true") it fails instead, so
// that a green run never stands on window and GPU tests that did not run.
//
//   if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

inline bool RunningInCi() {
  const char* ci = std::getenv("CI");
  return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

// A statement that returns from the test (or its SetUp) as GTEST_SKIP does, or as FAIL does
// in CI; the message streamed after it says what was missing.
#define ZKT_SKIP_OUTSIDE_CI()                                                                       \
  return ::testing::internal::AssertHelper(                                                         \
             RunningInCi() ? ::testing::TestPartResult::kFatalFailure : ::testing::TestPartResult::kSkip, \
             __FILE__, __LINE__,                                                                    \
             RunningInCi() ? "CI is set, where window and GPU tests must run, but this one cannot: "   \
                           : "Skipped (outside CI): ") = ::testing::Message()
