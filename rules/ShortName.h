// Names shaped like the short (8.3) aliases that Windows file systems give long names, such
// as "LONGDI~1" or "LONG~TX4.TXT": such a name may reach another file or folder than one of
// its own.
#pragma once
#include <string_view>

namespace sorv {
namespace rules {

// At most eight units, a dot and at most three more, no space, and a "~" before the dot.
bool HasShortNameShape(std::u16string_view name);
// The shape with a digit after the "~", as the system's own aliases have it ("LONGDI~1").
bool LooksLikeShortName(std::u16string_view name);

}  // namespace rules
}  // namespace sorv
