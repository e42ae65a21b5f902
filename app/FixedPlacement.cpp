#include "FixedPlacement.h"

namespace sorv {
namespace app {

std::array<ControlRect, 9> FixedPlacement(int w, int h, int s) {
  return {{
      {1009, w - 160, (s - 16) / 2, 150, 16},
      {1001, w - 98, 5, 90, 26},
      {1000, 8, 8, w - 114, 20},
      {1007, 8, 36, 200, 150},
      {1003, w - 98, 33, 90, 26},
      {1002, w - 196, 33, 90, 26},
      {1008, 216, 36, w - 420, 20},
      {1005, 8, 64, 200, h - s - 72},
      {1006, 216, 64, w - 224, h - s - 72},
  }};
}

}  // namespace app
}  // namespace sorv
