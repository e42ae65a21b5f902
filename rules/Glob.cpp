#include "rules/Glob.h"

#include <cstddef>

#include "platform/TextRules.h"

namespace sorv {
namespace rules {

namespace {

// Separators alike; ASCII case too unless the case must match.
char32_t Fold(char32_t c, bool matchCase) {
  if (!matchCase && c >= 'A' && c <= 'Z') return c + 32;
  if (c == '\\') return '/';
  return c;
}

// The code point at `i` and its length in units.
char32_t At(std::u16string_view s, size_t i, size_t& length) {
  const char16_t c = s[i];
  if (sorv::IsHighSurrogate(c) && i + 1 < s.size() && sorv::IsLowSurrogate(s[i + 1])) {
    length = 2;
    return sorv::CombineSurrogates(c, s[i + 1]);
  }
  length = 1;
  return c;
}

// Matches the set starting at pattern[p] ("[") against `c`. Returns false in `closed`
// when the set has no "]"; otherwise `next` is the index behind it.
bool MatchSet(std::u16string_view pattern, size_t p, char32_t c, bool matchCase, bool& closed, size_t& next) {
  size_t i = p + 1;
  bool negate = false;
  if (i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^')) {
    negate = true;
    ++i;
  }
  bool matched = false;
  bool first = true;
  while (i < pattern.size() && (first || pattern[i] != u']')) {
    first = false;
    size_t len;
    const char32_t lo = Fold(At(pattern, i, len), matchCase);
    i += len;
    char32_t hi = lo;
    if (i + 1 < pattern.size() && pattern[i] == u'-' && pattern[i + 1] != u']') {
      hi = Fold(At(pattern, i + 1, len), matchCase);
      i += 1 + len;
    }
    if (lo <= c && c <= hi) matched = true;
  }
  closed = i < pattern.size();
  next = i + 1;
  return matched != negate;
}

}  // namespace

bool GlobMatch(std::u16string_view pattern, std::u16string_view name, bool matchCase) {
  // Iterative matching with one back-track point for the last "*": linear in practice
  // and never recursive, whatever the pattern.
  size_t p = 0, n = 0;
  size_t starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      while (p < pattern.size() && pattern[p] == u'*') ++p;
      starP = p;
      starN = n;
      continue;
    }
    size_t nameLen;
    const char32_t c = Fold(At(name, n, nameLen), matchCase);
    if (p < pattern.size()) {
      size_t patLen;
      const char32_t pc = At(pattern, p, patLen);
      bool ok = false;
      size_t nextP = p + patLen;
      if (pc == '?') {
        ok = true;
      } else if (pc == '[') {
        bool closed;
        size_t next;
        const bool inSet = MatchSet(pattern, p, c, matchCase, closed, next);
        if (closed) {
          ok = inSet;
          nextP = next;
        } else {
          ok = c == '[';
        }
      } else {
        ok = Fold(pc, matchCase) == c;
      }
      if (ok) {
        p = nextP;
        n += nameLen;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    // Let the last "*" take one more character and try again from there.
    size_t len;
    At(name, starN, len);
    starN += len;
    n = starN;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace rules
}  // namespace sorv
