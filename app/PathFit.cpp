#include "app/PathFit.h"

#include "platform/TextRules.h"

namespace sorv {
namespace app {

bool FitPathToWidth(std::u16string& text, int width, const TextMeasure& measure) {
  if (!measure) return false;
  const size_t n = text.size();
  if (measure(text) <= width) return false;

  const std::u16string ellipsis = u"...";
  const long long e = measure(ellipsis);
  std::u16string tail;
  for (size_t i = n; i-- > 1;) {
    if (text[i] == u'\\') {
      tail = text.substr(i);
      break;
    }
  }
  const long long t = tail.empty() ? 0 : measure(tail);

  size_t p = n;
  while (p > 0) {
    const long long m = measure(text.substr(0, p));
    --p;
    if (e + t + m <= width) break;
  }
  // A lone high surrogate before the ellipsis would draw as a box.
  if (p > 0 && IsHighSurrogate(text[p - 1])) --p;
  if (p == 0) {
    text.clear();
    return false;
  }
  text = text.substr(0, p) + ellipsis + tail;
  return true;
}

}  // namespace app
}  // namespace sorv
