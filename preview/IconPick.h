// Which picture of an icon or cursor file the preview shows: the largest one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorv {

// True when `data` starts like an icon or cursor directory (reserved 0, type 1 or 2).
bool IsIconDirectory(const uint8_t* data, size_t size);

// The bytes to decode for the largest picture of an icon or cursor directory (most pixels,
// then most colour bits, the first of equals), as the picture's own header gives its size:
// its PNG bytes when it is stored as PNG, else a one-picture icon directory over it. Only
// pictures lying wholly inside `data` count. False, and `out` empty, when `data` is no
// directory, holds no such picture, or its only picture is the first one already.
bool LargestIconPicture(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace sorv
