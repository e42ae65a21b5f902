// The main of every test executable that needs no set-up of its own.
#include "tests/support/SkipAwareRun.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return sorv::testing::RunTestsReportingSkips();
}
