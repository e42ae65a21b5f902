// Where the main window keeps its nine controls: a function of the client size and the
// status bar's height only, so it is the same after every resize.
#pragma once
#include <array>

namespace sorv {
namespace app {

struct ControlRect {
  int id;  // the control's IDC_* id: the window places each control by it
  int x, y, width, height;
};

constexpr int kLinkPaneWidth = 170;

// The rectangles in the order they are applied: link (inside the status bar), Open, path
// box, type filter (height includes the drop-down list), Export, Save, entry name box,
// tree, preview. `w` and `h` are the client size, `s` the status bar's outer height.
std::array<ControlRect, 9> FixedPlacement(int w, int h, int s);

}  // namespace app
}  // namespace sorv
