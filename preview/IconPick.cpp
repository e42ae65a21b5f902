#include "preview/IconPick.h"

namespace sorv {

namespace {

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }
uint32_t Be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPng(const uint8_t* p, size_t size) {
  if (size < 8) return false;
  for (int i = 0; i < 8; ++i)
    if (p[i] != kPngSignature[i]) return false;
  return true;
}

struct PictureSize {
  uint64_t pixels = 0;
  uint32_t bits = 0;  // colour bits per pixel
};

// The size a picture's own header gives; false when it has no readable header.
bool ReadPictureSize(const uint8_t* p, size_t size, PictureSize& out) {
  if (IsPng(p, size)) {
    // Signature, then the IHDR chunk: length, type, width, height, depth, colour type.
    if (size < 8 + 8 + 10) return false;
    const uint32_t width = Be32(p + 16), height = Be32(p + 20);
    const uint32_t depth = p[24], colourType = p[25];
    const uint32_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    out.pixels = static_cast<uint64_t>(width) * height;
    out.bits = depth * channels;
    return true;
  }
  if (size < 40 || Le32(p) < 40) return false;
  const int32_t width = static_cast<int32_t>(Le32(p + 4));
  const int32_t height = static_cast<int32_t>(Le32(p + 8));  // the colour and the mask rows
  if (width <= 0 || height <= 0) return false;
  out.pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height / 2);
  out.bits = Le16(p + 14);
  return true;
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

bool IsIconDirectory(const uint8_t* data, size_t size) {
  return data && size >= 6 && Le16(data) == 0 && (Le16(data + 2) == 1 || Le16(data + 2) == 2);
}

bool LargestIconPicture(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  out.clear();
  if (!IsIconDirectory(data, size)) return false;
  const size_t count = Le16(data + 4);
  if (count == 0 || 6 + 16 * count > size) return false;
  size_t best = count;
  PictureSize bestSize;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + 6 + 16 * i;
    const uint64_t length = Le32(entry + 8), offset = Le32(entry + 12);
    if (length == 0 || offset > size || length > size - offset) continue;
    PictureSize s;
    if (!ReadPictureSize(data + offset, static_cast<size_t>(length), s)) continue;
    if (best == count || s.pixels > bestSize.pixels || (s.pixels == bestSize.pixels && s.bits > bestSize.bits)) {
      best = i;
      bestSize = s;
    }
  }
  if (best == count || (best == 0 && count == 1)) return false;
  const uint8_t* entry = data + 6 + 16 * best;
  const uint8_t* picture = data + Le32(entry + 12);
  const uint32_t length = Le32(entry + 8);
  if (IsPng(picture, length)) {
    out.assign(picture, picture + length);
    return true;
  }
  // An icon directory of one: a cursor's hot spot becomes an icon's planes and depth.
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.insert(out.end(), entry, entry + 4);
  Put16(out, 1);
  Put16(out, bestSize.bits);
  Put32(out, length);
  Put32(out, 22);
  out.insert(out.end(), picture, picture + length);
  return true;
}

}  // namespace sorv
