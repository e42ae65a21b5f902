// The picture-fitting rule: shrink with proportions kept, never enlarge, centre.
#include <gtest/gtest.h>

#include "preview/ImageFit.h"

namespace {

struct FitCase {
  int iw, ih, w, h;
  int x, y, dw, dh;
};

TEST(ImageFit, PlacesPicturesAsTheRuleSays) {
  const FitCase cases[] = {
      {600, 100, 300, 200, 0, 75, 300, 50},     // too wide
      {100, 400, 300, 200, 125, 0, 50, 200},    // too tall
      {16, 16, 1000, 800, 492, 392, 16, 16},    // small: own size, centred, not enlarged
      {300, 50, 300, 200, 0, 75, 300, 50},      // exactly as wide: not rescaled
      {300, 200, 300, 200, 0, 0, 300, 200},     // exact fit
      {301, 200, 300, 200, 0, 0, 300, 199},     // one pixel too wide: height truncates
      {1000, 1000, 300, 200, 50, 0, 200, 200},  // both steps
      {3, 1, 2, 2, 0, 1, 2, 0},                 // truncation to a zero height
      {7, 5, 4, 3, 0, 0, 4, 2},                 // odd leftovers centre towards the top left
  };
  for (const FitCase& c : cases) {
    const sorv::FitRect r = sorv::FitImage(c.iw, c.ih, c.w, c.h);
    EXPECT_EQ(r.x, c.x) << c.iw << "x" << c.ih << " in " << c.w << "x" << c.h;
    EXPECT_EQ(r.y, c.y) << c.iw << "x" << c.ih << " in " << c.w << "x" << c.h;
    EXPECT_EQ(r.width, c.dw) << c.iw << "x" << c.ih << " in " << c.w << "x" << c.h;
    EXPECT_EQ(r.height, c.dh) << c.iw << "x" << c.ih << " in " << c.w << "x" << c.h;
  }
}

TEST(ImageFit, ZeroOrNegativeAreaGivesAnEmptyRectangleWithoutDividingByZero) {
  const FitCase cases[] = {
      {600, 100, 0, 0, 0, 0, 0, 0},
      {600, 100, 0, 200, 0, 100, 0, 0},
      {600, 100, 300, 0, 150, 0, 0, 0},
      {16, 16, -5, -5, 0, 0, 0, 0},
      {0, 0, 300, 200, 150, 100, 0, 0},  // an empty picture
  };
  for (const FitCase& c : cases) {
    const sorv::FitRect r = sorv::FitImage(c.iw, c.ih, c.w, c.h);
    EXPECT_EQ(r.x, c.x) << c.w << "x" << c.h;
    EXPECT_EQ(r.y, c.y) << c.w << "x" << c.h;
    EXPECT_EQ(r.width, c.dw) << c.w << "x" << c.h;
    EXPECT_EQ(r.height, c.dh) << c.w << "x" << c.h;
  }
}

TEST(ImageFit, HugePicturesDoNotOverflowTheProducts) {
  // 2,000,000,000 x 1,000,000 in a wide control: the products exceed 32 bits.
  const sorv::FitRect r = sorv::FitImage(2000000000, 1000000000, 30000, 20000);
  EXPECT_EQ(r.width, 30000);
  EXPECT_EQ(r.height, 15000);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 2500);
  const sorv::FitRect tall = sorv::FitImage(400000, 2000000000, 600000, 50000);
  EXPECT_EQ(tall.height, 50000);
  EXPECT_EQ(tall.width, 10);
  EXPECT_EQ(tall.x, 299995);
}

}  // namespace
