// The picture-fitting rule of the preview: shrink to fit with proportions kept, never
// enlarge, centre. Pure integer arithmetic, no window code.
#pragma once

namespace sorv {

struct FitRect {
  int x;
  int y;
  int width;
  int height;
};

// Places an imageWidth x imageHeight picture in an areaWidth x areaHeight area. Products
// are formed before each division and divisions truncate; a picture that fits in both
// directions keeps its own size. Negative sizes count as 0.
FitRect FitImage(int imageWidth, int imageHeight, int areaWidth, int areaHeight);

}  // namespace sorv
