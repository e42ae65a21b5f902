// The placement rule of the layout tree: where a window goes inside its parent's client
// area, given its designed geometry and its four edge locks. Pure arithmetic, shared by the
// live nodes and the tests.
#pragma once
#include <cstdint>

namespace sorv {
namespace layout {

// The ten layout values of a node or a description record. `right` and `bottom` are
// margins from the parent's right and bottom edges when their lock is set, absolute edges
// otherwise; `width` and `height` are also the least size. Locks count as zero/non-zero.
struct LayoutValues {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t topLock = 1;
  std::int32_t leftLock = 1;
  std::int32_t bottomLock = 0;
  std::int32_t rightLock = 0;
};

struct PlacedRect {
  std::int32_t x, y, width, height;
};

// The window's position and outer size in a parent whose client area is
// `parentRight` x `parentBottom`. Never smaller than the designed size, never left of
// `left` or above `top`; a parent that is too small makes the window overflow right and
// down. Results outside the 32-bit range (only from absurd values) are clamped to it.
PlacedRect PlaceByLocks(const LayoutValues& values, std::int32_t parentRight, std::int32_t parentBottom);

}  // namespace layout
}  // namespace sorv
