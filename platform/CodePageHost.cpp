#include "platform/CodePage.h"
#include "platform/Utf8.h"

#include <cstdint>

namespace sorv {

// Narrow text is UTF-8 here; malformed bytes become U+FFFD so no input is lost silently.
std::wstring AnsiToWide(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    char32_t cp = c;
    if (c >= 0xF0 && c < 0xF8) { more = 3; cp = c & 0x07; }
    else if (c >= 0xE0) { more = 2; cp = c & 0x0F; }
    else if (c >= 0xC0) { more = 1; cp = c & 0x1F; }
    else if (c >= 0x80) { more = SIZE_MAX; }
    bool ok = more != SIZE_MAX && more < n - i;
    for (size_t k = 1; ok && k <= more; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      ok = (d & 0xC0) == 0x80;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok) {
      out.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += more + 1;
  }
  return out;
}

std::string WideToAnsi(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t w : text) AppendUtf8(static_cast<char32_t>(w), out);
  return out;
}

}  // namespace sorv
