// Finds a picture, pixel for pixel, in a screenshot; and reads the runs of a row that differ
// from its background (how wide the boxes on a line are).
#pragma once
#include <utility>
#include <vector>

#include "tests/e2e/probe/Picture.h"

namespace e2e {

struct PictureHit {
  bool found = false;
  int x = 0, y = 0;
};

// Every pixel of `image` within `tolerance` per channel, at some place inside `region`.
PictureHit FindPicture(const Picture& shot, const Rect& region, const Picture& image, int tolerance);

// Runs [first, last] along a line, from `from` to `to` (inclusive), whose pixels differ from
// the pixel at `from` by more than `tolerance` in some channel. The line is row `at`, or
// column `at` when `vertical`.
std::vector<std::pair<int, int>> LineRuns(const Picture& shot, bool vertical, int at, int from, int to,
                                          int tolerance);

}  // namespace e2e
