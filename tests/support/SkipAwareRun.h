// Runs the registered tests and turns "passed, but some were skipped" into its own exit
// code. One executable is one CTest test, so without it a skipped case would count as a
// pass and show nowhere; CTest reports kSkippedExitCode as "Skipped".
#pragma once
#include <gtest/gtest.h>

namespace sorv {
namespace testing {

constexpr int kSkippedExitCode = 77;

inline int RunTestsReportingSkips() {
  const int result = RUN_ALL_TESTS();
  if (result == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0) return kSkippedExitCode;
  return result;
}

}  // namespace testing
}  // namespace sorv
