// UTF-16 text between the portable logic (std::u16string) and the callers' wide strings.
// On Windows wchar_t is a UTF-16 unit, so these copies are exact. On the host wchar_t is
// 32 bits; there each unit is copied as it is (no surrogate pairing), which is all the
// host tests need.
#pragma once
#include <cstddef>
#include <string>

namespace sorv {
namespace app {

template <class Ch>
std::u16string ToU16(const Ch* text, size_t length) {
  std::u16string out(length, u'\0');
  for (size_t i = 0; i < length; ++i) out[i] = static_cast<char16_t>(text[i]);
  return out;
}

// A zero-terminated text; null gives an empty text.
template <class Ch>
std::u16string ToU16(const Ch* text) {
  if (!text) return std::u16string();
  size_t length = 0;
  while (text[length]) ++length;
  return ToU16(text, length);
}

template <class Ch>
std::u16string ToU16(const std::basic_string<Ch>& text) {
  return ToU16(text.data(), text.size());
}

// Back to a caller's string type, e.g. FromU16<wchar_t>(s) for a std::wstring.
template <class Ch>
std::basic_string<Ch> FromU16(const std::u16string& text) {
  std::basic_string<Ch> out(text.size(), Ch());
  for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<Ch>(text[i]);
  return out;
}

}  // namespace app
}  // namespace sorv
