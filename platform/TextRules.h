// Small text rules that the window program and rdbtool share: ASCII-only case folding
// (names match "in any ASCII case" everywhere, never by locale), the two path separators
// that stored names use alike, and UTF-16 surrogate tests. Header-only and portable.
#pragma once
#include <string>

namespace sorv {

constexpr bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// The code point of a high and a low surrogate.
constexpr char32_t CombineSurrogates(char16_t high, char16_t low) {
  return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

// ASCII a-z to A-Z; every other unit as it is.
constexpr char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
// ASCII A-Z to a-z; every other unit as it is.
constexpr char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }
constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// `s` with ASCII A-Z made a-z.
inline std::string Lower(std::string s) {
  for (char& c : s) c = LowerAscii(c);
  return s;
}

}  // namespace sorv
