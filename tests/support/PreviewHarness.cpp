#include "tests/support/PreviewHarness.h"

#include <cstdio>
#include <cstdlib>

#include "framework/CGdiObject.h"
#include "framework/CMemoryDC.h"
#include "framework/CSelectObject.h"

namespace harness {

TestWindow::TestWindow(int width, int height, DWORD style, bool visible) {
  parent_ = CreateWindowExW(0, L"STATIC", L"preview test", WS_POPUP | (visible ? WS_VISIBLE : 0), 20, 20, 900, 700,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  RECT frame = {0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  control_ = CreateWindowExW(0, L"STATIC", L"", style, 10, 10, frame.right - frame.left, frame.bottom - frame.top,
                             parent_, reinterpret_cast<HMENU>(1006), GetModuleHandleW(nullptr), nullptr);
}

TestWindow::~TestWindow() {
  if (IsWindow(parent_)) DestroyWindow(parent_);
}

RECT Canvas::InkBounds() const {
  RECT r = {width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (At(x, y) != 0xFFFFFF) {
        if (x < r.left) r.left = x;
        if (y < r.top) r.top = y;
        if (x + 1 > r.right) r.right = x + 1;
        if (y + 1 > r.bottom) r.bottom = y + 1;
      }
  return r;
}

int Canvas::Count(bool (*match)(uint32_t)) const {
  int n = 0;
  for (uint32_t p : pixels) n += match(p & 0xFFFFFF) ? 1 : 0;
  return n;
}

void Canvas::SaveShot(const std::string& name) const {
  const char* dir = std::getenv("SORVRES_PREVIEW_SHOTS");
  if (!dir || !*dir) return;
  const std::string path = std::string(dir) + "\\" + name + ".bmp";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  ih.biSize = sizeof(ih);
  ih.biWidth = width;
  ih.biHeight = -height;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
  std::fwrite(&fh, sizeof(fh), 1, f);
  std::fwrite(&ih, sizeof(ih), 1, f);
  std::fwrite(pixels.data(), 4, pixels.size(), f);
  std::fclose(f);
}

Canvas RenderWith(int width, int height, void (*paint)(HDC, void*), void* context, uint32_t background) {
  Canvas canvas;
  canvas.width = width > 0 ? width : 1;
  canvas.height = height > 0 ? height : 1;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = canvas.width;
  info.bmiHeader.biHeight = -canvas.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  CBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap.IsNull()) return Canvas();
  auto* p = static_cast<uint32_t*>(bits);
  const size_t n = static_cast<size_t>(canvas.width) * canvas.height;
  for (size_t i = 0; i < n; ++i) p[i] = background;
  {
    CMemoryDC dc;
    CSelectObject select(dc, bitmap);
    paint(dc, context);
    GdiFlush();
  }
  canvas.pixels.assign(p, p + n);
  return canvas;
}

unsigned GdiObjectCount() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted) return counted;
  // Wine: a handle whose upper word is zero names a table slot of any generation.
  unsigned live = 0;
  for (ULONG_PTR slot = 1; slot < 0x10000; ++slot)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++live;
  return live;
}

}  // namespace harness
