// Image bytes made inside the tests (GDI+ encoders and small hand-written files) and
// streams over them, as the package reader hands them to the preview.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

#include "framework/CComPtr.h"

namespace testimg {

using Bytes = std::vector<uint8_t>;

// A stream over a copy of `bytes` in a global memory block, positioned at the start.
CComPtr<IStream> StreamOf(const Bytes& bytes);

// Encodes top-down 0xAARRGGBB pixels with the GDI+ encoder of `mime` ("image/png",
// "image/jpeg", "image/bmp"). Empty when there is no such encoder.
Bytes Encode(const wchar_t* mime, int width, int height, const std::vector<uint32_t>& argb);
std::vector<uint32_t> Solid(int width, int height, uint32_t argb);

// BMP files. `rows` are top-down, each `rowBytes` long without padding.
Bytes Bmp(int width, int height, int bpp, const std::vector<RGBQUAD>& palette, const Bytes& rows,
          const DWORD* masks = nullptr);
Bytes Bmp24(int width, int height, uint32_t rgb);

// A GIF with a 256-entry colour table (`palette` first, black after) and top-down palette
// indices, LZW-coded without compression (a clear code every 250 pixels).
Bytes Gif(int width, int height, const std::vector<RGBQUAD>& palette, const Bytes& indices);

// A 32-bit icon of top-down 0xAARRGGBB pixels.
Bytes Ico32(int width, int height, const std::vector<uint32_t>& argb);

// A PNG with stored (uncompressed) deflate blocks. `rows` are top-down scan lines without
// filter bytes; pixelsPerMeter != 0 adds a resolution chunk.
Bytes Png(int width, int height, int bitDepth, int colorType, const Bytes& rows, uint32_t pixelsPerMeter = 0);

}  // namespace testimg
