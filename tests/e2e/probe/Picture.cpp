#include "tests/e2e/probe/Picture.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace e2e {

Rect Picture::Clip(const Rect& r) const {
  Rect c;
  c.x = std::max(0, r.x);
  c.y = std::max(0, r.y);
  const int right = std::min(width, r.x + r.width);
  const int bottom = std::min(height, r.y + r.height);
  c.width = std::max(0, right - c.x);
  c.height = std::max(0, bottom - c.y);
  return c;
}

namespace {

// The next number of the header, past blanks and "#" comments; -1 when there is none.
long HeaderNumber(FILE* f) {
  int c = std::fgetc(f);
  for (;;) {
    if (c == '#') {
      while (c != EOF && c != '\n') c = std::fgetc(f);
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      c = std::fgetc(f);
    } else {
      break;
    }
  }
  if (c < '0' || c > '9') return -1;
  long value = 0;
  while (c >= '0' && c <= '9') {
    value = value * 10 + (c - '0');
    if (value > 1000000) return -1;
    c = std::fgetc(f);
  }
  return value;  // the single blank after the number has been read
}

}  // namespace

bool ReadPpm(const std::wstring& path, Picture& out, std::string& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"rb"), &std::fclose);
  if (!file) {
    error = "cannot open the picture";
    return false;
  }
  FILE* f = file.get();
  if (std::fgetc(f) != 'P' || std::fgetc(f) != '6') {
    error = "not a binary PPM";
    return false;
  }
  const long width = HeaderNumber(f), height = HeaderNumber(f), maxval = HeaderNumber(f);
  if (width <= 0 || height <= 0 || (maxval != 255 && maxval != 65535)) {
    error = "unsupported PPM header";
    return false;
  }
  const size_t samples = static_cast<size_t>(width) * height * 3;
  const size_t bytesPerSample = maxval == 255 ? 1 : 2;
  std::vector<uint8_t> raw(samples * bytesPerSample);
  if (std::fread(raw.data(), 1, raw.size(), f) != raw.size()) {
    error = "PPM data cut short";
    return false;
  }
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.rgb.resize(samples);
  // 16-bit samples are big-endian: the first byte is the 8-bit value.
  for (size_t i = 0; i < samples; ++i) out.rgb[i] = raw[i * bytesPerSample];
  return true;
}

}  // namespace e2e
