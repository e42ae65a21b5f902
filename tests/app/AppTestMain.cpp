// The common controls are registered once for the whole suite, as the program's start-up does.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&icc);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
