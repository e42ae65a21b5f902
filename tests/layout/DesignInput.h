// Real user input for the design-mode tests: the pointer really moves and the buttons and
// keys go through the system's input queue, so messages arrive as a person's would, with
// the key flags and the mouse capture of the moment.
#pragma once
#include "tests/support/UserInput.h"
#include "tests/support/WindowShot.h"
#include <windows.h>

#include <string>
#include <vector>

namespace designtest {

// Handles what is waiting, lets the system catch up, and handles that too.
void Settle();

// Moves the pointer onto client point (x, y) of `hWnd`, or onto a screen point; the window
// under it (or holding the mouse) gets a mouse move.
void PointerTo(HWND hWnd, int x, int y);
void PointerToScreen(POINT at);
// Left button down or up where the pointer is.
void LeftDown();
void LeftUp();
// Control + right click at client point (x, y) of `hWnd`.
void ControlRightClick(HWND hWnd, int x, int y);
// A plain right click there.
void RightClick(HWND hWnd, int x, int y);

using MenuItem = userinput::MenuItem;

// A plain right click at client point (x, y) of `hWnd`. While the popup menu it opens is
// up, another thread reads its items and then clicks the item with command `choose`, or,
// for 0, clicks on the empty desktop in the screen's top-right corner. Returns the items, none when no menu came.
std::vector<MenuItem> RightClickMenu(HWND hWnd, int x, int y, UINT choose);

// The client area of `hWnd` as painted, read back from the window: 0x00RRGGBB per pixel.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<DWORD> rgb;
  COLORREF At(int x, int y) const;
};
Pixels ReadClient(HWND hWnd);


}  // namespace designtest
