// The file name that the save dialog proposes for an entry.
#pragma once
#include <string>

namespace sorv {
namespace rules {

// The stored name's file-name part followed by its extension (both as SplitName gives
// them, so at most 510 units), with the extension cut before its first "?" so that a
// query-like suffix ("Logo.png?v=2") is dropped. The directory parts are not included.
std::u16string MakeSaveName(const std::u16string& storedName);

}  // namespace rules
}  // namespace sorv
