#include "rules/NameQuery.h"

#include "platform/TextRules.h"
#include "rules/Glob.h"

namespace sorv {
namespace rules {

NameQuery::NameQuery(std::u16string text, bool matchCase)
    : text_(std::move(text)), matchCase_(matchCase), pattern_(text_.find_first_of(u"*?") != std::u16string::npos) {
  if (!pattern_)
    for (char16_t& c : text_) c = Fold(c);
}

char16_t NameQuery::Fold(char16_t c) const {
  if (IsSeparator(c)) return u'/';
  return matchCase_ ? c : LowerAscii(c);
}

bool NameQuery::Matches(std::u16string_view name) const {
  if (pattern_) return GlobMatch(text_, name, matchCase_);
  const size_t n = text_.size();
  if (n == 0) return false;
  if (name.size() < n) return false;
  // The first unit is looked for first: most places of most names end there.
  const char16_t first = text_[0];
  const size_t last = name.size() - n;
  for (size_t i = 0; i <= last; ++i) {
    if (Fold(name[i]) != first) continue;
    size_t k = 1;
    while (k < n && Fold(name[i + k]) == text_[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

}  // namespace rules
}  // namespace sorv
