#include "layout/Placement.h"

#include <algorithm>
#include <limits>

namespace sorv {
namespace layout {

namespace {
// Description values are arbitrary 32-bit numbers: the sums are taken in 64 bits so that
// they cannot overflow, and only the final values are brought back into range.
std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}
}  // namespace

PlacedRect PlaceByLocks(const LayoutValues& v, std::int32_t parentRight, std::int32_t parentBottom) {
  const std::int64_t r = v.rightLock ? std::int64_t{parentRight} - v.right : std::int64_t{v.right};
  const std::int64_t b = v.bottomLock ? std::int64_t{parentBottom} - v.bottom : std::int64_t{v.bottom};
  const std::int64_t t = v.topLock ? std::int64_t{v.top} : b - v.height;
  const std::int64_t l = v.leftLock ? std::int64_t{v.left} : r - v.width;
  // The size comes from the unclamped edges; the clamps below then hold position and size
  // independently at their designed minimums.
  const std::int64_t w = r - l;
  const std::int64_t h = b - t;
  return PlacedRect{Clamp32(std::max<std::int64_t>(l, v.left)), Clamp32(std::max<std::int64_t>(t, v.top)),
                    Clamp32(std::max<std::int64_t>(w, v.width)), Clamp32(std::max<std::int64_t>(h, v.height))};
}

}  // namespace layout
}  // namespace sorv
