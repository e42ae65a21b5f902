#include "layout/CDesignCursors.h"

namespace {

// One 16 x 16 monochrome pointer image: AND and XOR planes, top row first, the most
// significant bit of each word the leftmost pixel. AND 1 / XOR 0 is transparent, AND 0 /
// XOR 0 black, AND 0 / XOR 1 white: black shapes with a one-pixel white outline.
struct Image {
  std::uint16_t andPlane[16];
  std::uint16_t xorPlane[16];
};

const Image kImages[6] = {
    // 1: top-left corner bracket with an arrow pointing up under the top bar
    {{0x0000, 0x0000, 0x0000, 0x0000, 0x0F0F, 0x0E07, 0x0C03, 0x0C03, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F,
      0x0FFF, 0x0FFF, 0x0FFF},
     {0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9090, 0x9108, 0x9204, 0x939C, 0x9090, 0x9090, 0x9090, 0x9090, 0x90F0,
      0x9000, 0x9000, 0xF000}},
    // 2: the same bracket with an arrow pointing left beside the left bar
    {{0x0000, 0x0000, 0x0000, 0x0000, 0x0FFF, 0x0FFF, 0x0CFF, 0x08FF, 0x0007, 0x0007, 0x0007, 0x0007, 0x08FF,
      0x0CFF, 0x0FFF, 0x0FFF},
     {0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9000, 0x9000, 0x9300, 0x9500, 0x99F8, 0x9008, 0x9008, 0x99F8, 0x9500,
      0x9300, 0x9000, 0xF000}},
    // 3: the top-left corner bracket alone
    {{0x0000, 0x0000, 0x0000, 0x0000, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF,
      0x0FFF, 0x0FFF, 0x0FFF},
     {0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000,
      0x9000, 0x9000, 0xF000}},
    // 4: bottom-right corner bracket with an arrow pointing down above the bottom bar
    {{0xFFF0, 0xFFF0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xC030, 0xC030, 0xE070, 0xF0F0, 0x0000,
      0x0000, 0x0000, 0x0000},
     {0x000F, 0x0009, 0x0F09, 0x0909, 0x0909, 0x0909, 0x0909, 0x0909, 0x39C9, 0x2049, 0x1089, 0x0909, 0xFFF9,
      0x8001, 0x8001, 0xFFFF}},
    // 5: the same bracket with an arrow pointing right beside the right bar
    {{0xFFF0, 0xFFF0, 0xFF30, 0xFF10, 0xC000, 0xC000, 0xC000, 0xC000, 0xFF10, 0xFF30, 0xFFF0, 0xFFF0, 0x0000,
      0x0000, 0x0000, 0x0000},
     {0x000F, 0x0009, 0x00C9, 0x00A9, 0x3F99, 0x2009, 0x2009, 0x3F99, 0x00A9, 0x00C9, 0x0009, 0x0009, 0xFFF9,
      0x8001, 0x8001, 0xFFFF}},
    // 6: the bottom-right corner bracket alone
    {{0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0x0000,
      0x0000, 0x0000, 0x0000},
     {0x000F, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0xFFF9,
      0x8001, 0x8001, 0xFFFF}},
};

// Image number (1 to 6) of each shape, in the order of CDesignCursors::Shape: a lock that
// is set shows the bare bracket, one that is clear the bracket with its arrow.
const int kImageOfShape[CDesignCursors::kShapeCount] = {1, 3, 2, 3, 4, 6, 5, 6};

HCURSOR g_cursors[CDesignCursors::kShapeCount] = {};

HCURSOR MakeCursor(const Image& image) {
  // CreateCursor takes rows of bytes, leftmost pixels in the first byte: the words go in
  // high byte first whatever the machine's byte order.
  BYTE andBytes[32];
  BYTE xorBytes[32];
  for (int row = 0; row < 16; ++row) {
    andBytes[2 * row] = static_cast<BYTE>(image.andPlane[row] >> 8);
    andBytes[2 * row + 1] = static_cast<BYTE>(image.andPlane[row] & 0xFF);
    xorBytes[2 * row] = static_cast<BYTE>(image.xorPlane[row] >> 8);
    xorBytes[2 * row + 1] = static_cast<BYTE>(image.xorPlane[row] & 0xFF);
  }
  return ::CreateCursor(nullptr, CDesignCursors::kHotSpot, CDesignCursors::kHotSpot, CDesignCursors::kSize,
                        CDesignCursors::kSize, andBytes, xorBytes);
}

}  // namespace

void CDesignCursors::Create() {
  static const bool created = [] {
    HCURSOR byImage[6] = {};
    for (int i = 0; i < 6; ++i) byImage[i] = MakeCursor(kImages[i]);
    for (int shape = 0; shape < kShapeCount; ++shape) g_cursors[shape] = byImage[kImageOfShape[shape] - 1];
    return true;
  }();
  (void)created;
}

HCURSOR CDesignCursors::Get(Shape shape) {
  if (shape < 0 || shape >= kShapeCount) return nullptr;
  return g_cursors[shape];
}
