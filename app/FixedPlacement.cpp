#include "app/FixedPlacement.h"

#include "resources/resource.h"

namespace sorv {
namespace app {

std::array<ControlRect, 9> FixedPlacement(int w, int h, int s) {
  return {{
      {IDC_LINK, w - 160, (s - 16) / 2, 150, 16},
      {IDC_OPEN, w - 98, 5, 90, 26},
      {IDC_PATH, 8, 8, w - 114, 20},
      {IDC_FILTER, 8, 36, 200, 150},
      {IDC_EXPORT, w - 98, 33, 90, 26},
      {IDC_SAVE, w - 196, 33, 90, 26},
      {IDC_NAME, 216, 36, w - 420, 20},
      {IDC_TREE, 8, 64, 200, h - s - 72},
      {IDC_PREVIEW, 216, 64, w - 224, h - s - 72},
  }};
}

}  // namespace app
}  // namespace sorv
