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

namespace {

// The text (already folded) at some place of `name`, each unit of the name folded by `fold`.
// The first unit is looked for first: most places of most names end there.
template <class Fold>
bool Contains(std::u16string_view name, const std::u16string& text, Fold fold) {
  const size_t n = text.size();
  if (n == 0 || name.size() < n) return false;
  const char16_t first = text[0];
  const size_t last = name.size() - n;
  for (size_t i = 0; i <= last; ++i) {
    if (fold(name[i]) != first) continue;
    size_t k = 1;
    while (k < n && fold(name[i + k]) == text[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

}  // namespace

bool NameQuery::Matches(std::u16string_view name) const {
  if (pattern_) return GlobMatch(text_, name, matchCase_);
  if (matchCase_) return Contains(name, text_, [](char16_t c) { return IsSeparator(c) ? u'/' : c; });
  return Contains(name, text_, [](char16_t c) { return IsSeparator(c) ? u'/' : LowerAscii(c); });
}

}  // namespace rules
}  // namespace sorv
