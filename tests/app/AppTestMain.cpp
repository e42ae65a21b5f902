// The common controls are registered once for the whole suite, as the program's start-up does.
#include <windows.h>
#include <commctrl.h>

#include "tests/support/SkipAwareRun.h"

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&icc);
  ::testing::InitGoogleTest(&argc, argv);
  return sorv::testing::RunTestsReportingSkips();
}
