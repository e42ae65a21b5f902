// Shortening a path to a width for the folder chooser's status text, with the text
// measured by a callback (GetTextExtentPoint32W on a device context in the dialog, a
// fake measure in tests).
#pragma once
#include <functional>
#include <string>

namespace sorv {
namespace app {

// Width of a text in the caller's units (pixels in the dialog).
using TextMeasure = std::function<int(const std::u16string&)>;

// Shortens `text` in place to fit `width`; true when an ellipsis was inserted.
// - No measure: false, text unchanged. Text no wider than `width`: false, unchanged.
// - Otherwise the text becomes a front part, "...", and its tail: the last "\" after the
//   first unit and everything behind it (no tail when there is none). The front part is
//   one unit shorter than the longest front part for which "..." + tail + front part fit,
//   and never ends on the first half of a surrogate pair.
// - When no front part is left, text becomes empty and the result is false.
bool FitPathToWidth(std::u16string& text, int width, const TextMeasure& measure);

}  // namespace app
}  // namespace sorv
