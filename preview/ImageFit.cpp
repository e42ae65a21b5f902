#include "preview/ImageFit.h"

namespace sorv {

FitRect FitImage(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
  // 64-bit products: a huge picture in a wide control must not overflow. Each division only
  // runs when its divisor is larger than a non-negative size, so it is never zero.
  const long long iw = imageWidth > 0 ? imageWidth : 0;
  const long long ih = imageHeight > 0 ? imageHeight : 0;
  const long long w = areaWidth > 0 ? areaWidth : 0;
  const long long h = areaHeight > 0 ? areaHeight : 0;
  long long dw = iw;
  long long dh = ih;
  if (iw > w) {
    dw = w;
    dh = ih * w / iw;
  }
  if (dh > h) {
    dw = dw * h / dh;
    dh = h;
  }
  return FitRect{static_cast<int>((w - dw) / 2), static_cast<int>((h - dh) / 2), static_cast<int>(dw),
                 static_cast<int>(dh)};
}

}  // namespace sorv
