// The type filter of the entry tree: its ten choices, which entries each one lists, and
// the count text of the status bar.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace sorv {
namespace rules {

constexpr int kFilterCount = 10;

// The drop-down text of choice `index` (0 to 9, in list order), or null outside that range.
const char16_t* FilterText(int index);

// The command-line name of choice `index` ("all", "images", "png", ...), or null outside
// 0 to 9.
const char* FilterName(int index);

// The pattern of choice `index` ("*.png;*.jpg;..."), or null for 0 ("all files") and for
// any index outside 1 to 9, all of which list every entry.
const char16_t* FilterPattern(int index);

// True when `ext` (with its dot) equals one of the pattern's extensions as a whole (each
// ";"-separated element of the pattern from its "." on: "*.png;" names ".png"),
// ignoring case. Only ASCII letters are folded (the patterns are ASCII); other units
// compare as they are, so a look-alike such as a dotless "ı" in ".ıco" does not match.
// An empty extension never matches.
bool ExtensionMatches(std::u16string_view ext, std::u16string_view pattern);

// Whether an entry with extension `ext` is listed under filter choice `filterIndex`
// (the combo box's current selection; -1 for none).
bool IsListed(int filterIndex, std::u16string_view ext);

// Status bar text after the tree was filled: "共有文件:<total>" for choice 0, else
// "共有文件:<total> 过滤后:<listed>" (also when there is no selection).
std::u16string CountStatusText(int filterIndex, size_t total, size_t listed);

}  // namespace rules
}  // namespace sorv
