// Windows and canvases for the preview tests: the control lives in a static child window
// (id 1006) of a hidden top-level window, and is painted into a 32-bit memory bitmap.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace harness {

class TestWindow {
 public:
  // A child static control whose client area is width x height (no border unless `style`
  // asks for one).
  TestWindow(int width, int height, DWORD style = WS_CHILD | WS_VISIBLE, bool visible = false);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Parent() const { return parent_; }
  HWND Control() const { return control_; }

 private:
  HWND parent_;
  HWND control_;
};

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top-down

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
  // The smallest rectangle holding every pixel that is not white.
  RECT InkBounds() const;
  int Count(bool (*match)(uint32_t)) const;
  // Writes a .bmp into the folder named by SORVRES_PREVIEW_SHOTS, when it is set.
  void SaveShot(const std::string& name) const;
};

// Paints `paint` into a fresh canvas prefilled with `background`; the canvas is at least
// 1 x 1 so that a zero-size control still has somewhere to (not) draw.
template <class PaintFn>
Canvas Render(int width, int height, PaintFn paint, uint32_t background = 0x123456);
Canvas RenderWith(int width, int height, void (*paint)(HDC, void*), void* context, uint32_t background);

template <class PaintFn>
Canvas Render(int width, int height, PaintFn paint, uint32_t background) {
  return RenderWith(width, height, [](HDC dc, void* ctx) { (*static_cast<PaintFn*>(ctx))(dc); }, &paint, background);
}

// Live GDI objects of the process. Where GetGuiResources is not implemented (Wine answers
// 0) the handles of the process's GDI table are counted instead.
unsigned GdiObjectCount();

inline int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }
inline int R(uint32_t rgb) { return Channel(rgb, 16); }
inline int G(uint32_t rgb) { return Channel(rgb, 8); }
inline int B(uint32_t rgb) { return Channel(rgb, 0); }
inline bool IsRed(uint32_t rgb) { return R(rgb) > 200 && G(rgb) < 80 && B(rgb) < 80; }

}  // namespace harness
