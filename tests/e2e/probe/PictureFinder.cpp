#include "tests/e2e/probe/PictureFinder.h"

#include <cstdlib>

namespace e2e {

namespace {

bool Near(const uint8_t* a, const uint8_t* b, int tolerance) {
  return std::abs(a[0] - b[0]) <= tolerance && std::abs(a[1] - b[1]) <= tolerance &&
         std::abs(a[2] - b[2]) <= tolerance;
}

bool MatchesAt(const Picture& shot, int left, int top, const Picture& image, int tolerance) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (!Near(shot.At(left + x, top + y), image.At(x, y), tolerance)) return false;
  return true;
}

}  // namespace

PictureHit FindPicture(const Picture& shot, const Rect& wanted, const Picture& image, int tolerance) {
  PictureHit hit;
  const Rect region = shot.Clip(wanted);
  for (int y = region.y; y + image.height <= region.y + region.height; ++y)
    for (int x = region.x; x + image.width <= region.x + region.width; ++x)
      if (MatchesAt(shot, x, y, image, tolerance)) {
        hit.found = true;
        hit.x = x;
        hit.y = y;
        return hit;
      }
  return hit;
}

std::vector<std::pair<int, int>> LineRuns(const Picture& shot, bool vertical, int at, int from, int to,
                                          int tolerance) {
  std::vector<std::pair<int, int>> runs;
  const int along = vertical ? shot.height : shot.width, across = vertical ? shot.width : shot.height;
  if (at < 0 || at >= across || from < 0 || to >= along || from > to) return runs;
  auto pixel = [&](int i) { return vertical ? shot.At(at, i) : shot.At(i, at); };
  const uint8_t* background = pixel(from);
  for (int i = from; i <= to; ++i) {
    if (Near(pixel(i), background, tolerance)) continue;
    if (!runs.empty() && runs.back().second == i - 1)
      runs.back().second = i;
    else
      runs.emplace_back(i, i);
  }
  return runs;
}

}  // namespace e2e
