// Plain windows for the layout tests: one window class whose procedure counts every message
// per window and answers WM_APP with kAppAnswer, so a test sees what reached the window's
// own procedure and what that procedure returned.
#pragma once
#include <windows.h>

#include <ostream>

class CPositionWnd;

namespace layouttest {

constexpr LRESULT kAppAnswer = 1234;

// How many times `msg` reached `hWnd`'s own procedure.
int Count(HWND hWnd, UINT msg);

// A hidden top-level window with a caption and a thick frame whose client area is w x h.
HWND MakeTopLevel(const wchar_t* title, int w, int h);
// A visible child window with control id `id` at (x, y), outer size w x h.
HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style = 0, DWORD exStyle = 0);

// The same with a dark blue background (kDarkColour), so that what is painted over it shows.
constexpr COLORREF kDarkColour = RGB(0, 0, 128);
HWND MakeDarkChild(HWND parent, int id, int x, int y, int w, int h, DWORD style = 0);

// `rect` as (x, y, width, height), for comparisons.
struct Box {
  int x, y, width, height;
  bool operator==(const Box& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
inline std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x << ", " << b.y << ", " << b.width << " x " << b.height << ")";
}
Box BoxOf(const RECT& rect);
// A child's outer rectangle in its parent's client coordinates.
Box ChildBox(HWND child);

// The direct child node of `parent` attached to `hWnd`, or null.
CPositionWnd* NodeOf(CPositionWnd& parent, HWND hWnd);

}  // namespace layouttest
