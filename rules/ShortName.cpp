#include "rules/ShortName.h"

namespace sorv {
namespace rules {

bool HasShortNameShape(std::u16string_view name) {
  const size_t dot = name.find(u'.');
  const std::u16string_view base = name.substr(0, dot);
  const std::u16string_view ext = dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find(u'.') != std::u16string_view::npos) return false;
  if (name.find(u' ') != std::u16string_view::npos) return false;
  return base.find(u'~') != std::u16string_view::npos;
}

bool LooksLikeShortName(std::u16string_view name) {
  if (!HasShortNameShape(name)) return false;
  const std::u16string_view base = name.substr(0, name.find(u'.'));
  for (size_t i = base.find(u'~') + 1; i < base.size(); ++i)
    if (base[i] >= u'0' && base[i] <= u'9') return true;
  return false;
}

}  // namespace rules
}  // namespace sorv
