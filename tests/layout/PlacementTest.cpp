// The placement rule on the elements of the shipped layout description, set directly, in
// parents of several sizes; results are (x, y, width, height).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "layout/Placement.h"

using sorv::layout::LayoutValues;
using sorv::layout::PlaceByLocks;
using sorv::layout::PlacedRect;

namespace {

// left, top, right, bottom, width, height, topLock, leftLock, bottomLock, rightLock
LayoutValues Make(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t w, std::int32_t h,
                  std::int32_t tl, std::int32_t ll, std::int32_t bl, std::int32_t rl) {
  LayoutValues v;
  v.left = l, v.top = t, v.right = r, v.bottom = b, v.width = w, v.height = h;
  v.topLock = tl, v.leftLock = ll, v.bottomLock = bl, v.rightLock = rl;
  return v;
}

const LayoutValues k1000 = Make(12, 312, 323, 11, 299, 25, 0, 1, 1, 1);
const LayoutValues k1001 = Make(315, 312, 249, 11, 70, 25, 0, 0, 1, 1);
const LayoutValues k1005 = Make(12, 12, 311, 40, 299, 296, 1, 1, 1, 0);
const LayoutValues k1006 = Make(315, 12, 13, 42, 306, 294, 1, 1, 1, 1);

struct Case {
  const char* name;
  LayoutValues values;
  std::int32_t parentW, parentH;
  PlacedRect expected;
};

}  // namespace

TEST(Placement, ShippedElementsInParentsOfSeveralSizes) {
  const Case cases[] = {
      {"1001 designed", k1001, 634, 348, {315, 312, 70, 25}},
      {"1001 larger", k1001, 800, 500, {481, 464, 70, 25}},
      {"1001 smaller: never left of left or above top", k1001, 500, 300, {315, 312, 70, 25}},
      {"1005 designed", k1005, 634, 348, {12, 12, 299, 296}},
      {"1005 taller", k1005, 634, 500, {12, 12, 299, 448}},
      {"1005 shorter: never below height", k1005, 634, 300, {12, 12, 299, 296}},
      {"1006 designed", k1006, 634, 348, {315, 12, 306, 294}},
      {"1006 larger: stretches both ways", k1006, 800, 500, {315, 12, 472, 446}},
      {"1006 smaller: designed size", k1006, 500, 300, {315, 12, 306, 294}},
      {"1000 designed", k1000, 634, 348, {12, 312, 299, 25}},
      {"1000 larger", k1000, 800, 500, {12, 464, 465, 25}},
      // Default locks with a recorded place: put back there whatever the parent's size.
      {"defaults", Make(5, 7, 105, 57, 100, 50, 1, 1, 0, 0), 634, 348, {5, 7, 100, 50}},
      {"defaults, tiny parent", Make(5, 7, 105, 57, 100, 50, 1, 1, 0, 0), 10, 10, {5, 7, 100, 50}},
      {"defaults, huge parent", Make(5, 7, 105, 57, 100, 50, 1, 1, 0, 0), 3000, 2000, {5, 7, 100, 50}},
      // No lock on an axis: positioned by the absolute far edge, keeping the designed size.
      {"no locks", Make(10, 20, 80, 90, 50, 40, 0, 0, 0, 0), 634, 348, {30, 50, 50, 40}},
      {"no locks, far edge before the near one", Make(10, 20, 30, 40, 50, 40, 0, 0, 0, 0), 634, 348, {10, 20, 50, 40}},
  };
  for (const Case& c : cases) {
    const PlacedRect r = PlaceByLocks(c.values, c.parentW, c.parentH);
    EXPECT_EQ(r.x, c.expected.x) << c.name;
    EXPECT_EQ(r.y, c.expected.y) << c.name;
    EXPECT_EQ(r.width, c.expected.width) << c.name;
    EXPECT_EQ(r.height, c.expected.height) << c.name;
  }
}

TEST(Placement, ExtremeValuesStayInRangeInsteadOfWrapping) {
  const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  // A right margin of -2^31 puts the right edge beyond the 32-bit range: the width stops at
  // the largest value instead of turning negative.
  PlacedRect r = PlaceByLocks(Make(0, 0, kMin, kMin, 0, 0, 1, 1, 1, 1), 634, 348);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.width, kMax);
  EXPECT_EQ(r.height, kMax);
  // Unlocked near edges far below the range: clamped to the designed left and top.
  r = PlaceByLocks(Make(-5, -6, kMax, kMax, kMax, kMax, 0, 0, 1, 1), 634, 348);
  EXPECT_EQ(r.x, -5);
  EXPECT_EQ(r.y, -6);
  EXPECT_EQ(r.width, kMax);
  EXPECT_EQ(r.height, kMax);
}
