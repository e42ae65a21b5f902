// The fixed placement at the minimum client size and a large one.
#include <gtest/gtest.h>

#include "app/FixedPlacement.h"

using sorv::app::FixedPlacement;

TEST(FixedPlacement, RectanglesFollowTheClientSizeAndTheBarHeight) {
  // 464 x 311 is the client area of a 480 x 350 window with a thin frame; bar 22 high.
  const auto small = FixedPlacement(464, 311, 22);
  const int expected[9][5] = {
      {1009, 304, 3, 150, 16}, {1001, 366, 5, 90, 26}, {1000, 8, 8, 350, 20},
      {1007, 8, 36, 200, 150}, {1003, 366, 33, 90, 26}, {1002, 268, 33, 90, 26},
      {1008, 216, 36, 44, 20}, {1005, 8, 64, 200, 217}, {1006, 216, 64, 240, 217},
  };
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(small[i].id, expected[i][0]);
    EXPECT_EQ(small[i].x, expected[i][1]) << small[i].id;
    EXPECT_EQ(small[i].y, expected[i][2]) << small[i].id;
    EXPECT_EQ(small[i].width, expected[i][3]) << small[i].id;
    EXPECT_EQ(small[i].height, expected[i][4]) << small[i].id;
  }
  // An odd bar height rounds the link's offset toward zero; the button columns stay 98 apart.
  const auto large = FixedPlacement(1500, 900, 25);
  EXPECT_EQ(large[0].y, 4);
  EXPECT_EQ(large[4].x - large[5].x, 98);
  EXPECT_EQ(large[8].width, 1500 - 224);
  EXPECT_EQ(large[7].height, 900 - 25 - 72);
}
