// An RGB picture read from a binary PPM (what `import -window root shot.ppm` writes), and
// the rectangles the probe works on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // rows top-down, 3 bytes a pixel

  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
  // The part of `r` that lies inside the picture.
  Rect Clip(const Rect& r) const;
};

bool ReadPpm(const std::wstring& path, Picture& out, std::string& error);

// Perceived brightness, 0 (black) to 255 (white).
inline int Luma(const uint8_t* p) { return (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000; }

}  // namespace e2e
