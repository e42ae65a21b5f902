// What the window's find looks for in stored names: the text typed, as a part of the name,
// or as a pattern (the rules of GlobMatch) when it holds "*" or "?".
#pragma once
#include <string>
#include <string_view>

namespace sorv {
namespace rules {

class NameQuery {
 public:
  // Separators "\" and "/" match each other; ASCII letters match either case unless
  // `matchCase`.
  NameQuery(std::u16string text, bool matchCase);

  // Whether the whole stored name `name` holds the text, or matches the pattern.
  bool Matches(std::u16string_view name) const;

  bool IsPattern() const { return pattern_; }
  bool Empty() const { return text_.empty(); }

 private:
  char16_t Fold(char16_t c) const;

  std::u16string text_;  // folded as names are, for a part to look for
  bool matchCase_;
  bool pattern_;
};

}  // namespace rules
}  // namespace sorv
