#include "cli/Utf.h"

#include "platform/TextRules.h"
#include "platform/Utf8.h"

namespace rdbtool {

namespace {

void AppendCodePoint(char32_t cp, std::string& out) { sorv::AppendUtf8(cp, out); }

// Walks `text` by code points; `unpaired` gets each lone surrogate unit.
template <class CodePoint, class Unpaired>
void ForEachCodePoint(std::u16string_view text, CodePoint codePoint, Unpaired unpaired) {
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (sorv::IsHighSurrogate(c) && i + 1 < n && sorv::IsLowSurrogate(text[i + 1])) {
      codePoint(sorv::CombineSurrogates(c, text[i + 1]));
      ++i;
    } else if (sorv::IsHighSurrogate(c) || sorv::IsLowSurrogate(c)) {
      unpaired(c);
    } else {
      codePoint(c);
    }
  }
}

const char kHex[] = "0123456789abcdef";

void AppendEscape(char32_t unit, std::string& out) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
}

}  // namespace

bool Utf16ToUtf8(std::u16string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  bool exact = true;
  ForEachCodePoint(
      text, [&](char32_t cp) { AppendCodePoint(cp, out); },
      [&](char16_t) {
        exact = false;
        AppendCodePoint(0xFFFD, out);
      });
  return exact;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  Utf16ToUtf8(text, out);
  return out;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
  out.clear();
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t cp;
    size_t len;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F;
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F;
      len = 3;
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07;
      len = 4;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return true;
}

bool AppendJsonString(std::u16string_view text, std::string& out) {
  bool exact = true;
  out.push_back('"');
  ForEachCodePoint(
      text,
      [&](char32_t cp) {
        switch (cp) {
          case '"': out += "\\\""; break;
          case '\\': out += "\\\\"; break;
          case '\n': out += "\\n"; break;
          case '\r': out += "\\r"; break;
          case '\t': out += "\\t"; break;
          case '\b': out += "\\b"; break;
          case '\f': out += "\\f"; break;
          default:
            if (cp < 0x20) AppendEscape(cp, out);
            else AppendCodePoint(cp, out);
        }
      },
      [&](char16_t) {
        AppendCodePoint(0xFFFD, out);
        exact = false;
      });
  out.push_back('"');
  return exact;
}

void AppendDisplayName(std::u16string_view text, std::string& out) {
  ForEachCodePoint(
      text,
      [&](char32_t cp) {
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) out.push_back('?');
        else AppendCodePoint(cp, out);
      },
      [&](char16_t) { AppendCodePoint(0xFFFD, out); });
}

}  // namespace rdbtool
