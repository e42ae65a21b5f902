#include "tests/support/ImageStreams.h"

#include <objidl.h>  // the GDI+ headers need the COM types that WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <cstring>
#include <string>

#include "framework/CGlobalMemory.h"

namespace testimg {
namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Put32BE(Bytes& b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
  Put32BE(png, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32BE(png, Crc32(body.data(), body.size()));
}

}  // namespace

CComPtr<IStream> StreamOf(const Bytes& bytes) {
  CComPtr<IStream> stream;
  CGlobalMemory memory;
  if (!memory.Assign(bytes.data(), bytes.size())) return stream;
  if (SUCCEEDED(CreateStreamOnHGlobal(memory.Get(), TRUE, &stream))) memory.Detach();
  if (stream) {
    ULARGE_INTEGER size;
    size.QuadPart = bytes.size();
    stream->SetSize(size);  // the block may be rounded up
  }
  return stream;
}

std::vector<uint32_t> Solid(int width, int height, uint32_t argb) {
  return std::vector<uint32_t>(static_cast<size_t>(width) * height, argb);
}

Bytes Encode(const wchar_t* mime, int width, int height, const std::vector<uint32_t>& argb) {
  namespace gp = Gdiplus::DllExports;
  Bytes out;
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return out;
  UINT count = 0, size = 0;
  gp::GdipGetImageEncodersSize(&count, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  const CLSID* clsid = nullptr;
  if (count && gp::GdipGetImageEncoders(count, size, codecs) == Gdiplus::Ok) {
    for (UINT i = 0; i < count; ++i)
      if (std::wstring(codecs[i].MimeType) == mime) clsid = &codecs[i].Clsid;
  }
  std::vector<uint32_t> pixels(argb);
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (clsid && gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                             reinterpret_cast<BYTE*>(pixels.data()), &bitmap) == Gdiplus::Ok) {
    CComPtr<IStream> stream;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        gp::GdipSaveImageToStream(bitmap, stream, clsid, nullptr) == Gdiplus::Ok) {
      STATSTG stat = {};
      HGLOBAL hGlobal = nullptr;
      if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream, &hGlobal))) {
        CGlobalMemory::Lock lock(hGlobal);
        const auto* data = static_cast<const uint8_t*>(lock.Data());
        if (data) out.assign(data, data + stat.cbSize.QuadPart);
      }
    }
    gp::GdipDisposeImage(bitmap);
  }
  Gdiplus::GdiplusShutdown(token);
  return out;
}

Bytes Bmp(int width, int height, int bpp, const std::vector<RGBQUAD>& palette, const Bytes& rows, const DWORD* masks) {
  const size_t rowBytes = (static_cast<size_t>(width) * bpp + 7) / 8;
  const size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  const size_t extra = masks ? 12 : palette.size() * 4;
  const size_t offset = 14 + 40 + extra;
  Bytes b = {'B', 'M'};
  Put32(b, static_cast<uint32_t>(offset + stride * height));
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(offset));
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));  // bottom-up
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bpp));
  Put32(b, masks ? BI_BITFIELDS : BI_RGB);
  Put32(b, static_cast<uint32_t>(stride * height));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<uint32_t>(palette.size()));
  Put32(b, 0);
  if (masks) {
    for (int i = 0; i < 3; ++i) Put32(b, masks[i]);
  } else {
    for (const RGBQUAD& q : palette) b.insert(b.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  }
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = rows.data() + rowBytes * y;
    b.insert(b.end(), row, row + rowBytes);
    b.insert(b.end(), stride - rowBytes, 0);
  }
  return b;
}

Bytes Bmp24(int width, int height, uint32_t rgb) {
  Bytes rows;
  for (int i = 0; i < width * height; ++i)
    rows.insert(rows.end(), {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb >> 16)});
  return Bmp(width, height, 24, {}, rows);
}

Bytes Gif(int width, int height, const std::vector<RGBQUAD>& palette, const Bytes& indices) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, static_cast<uint32_t>(width));
  Put16(b, static_cast<uint32_t>(height));
  b.insert(b.end(), {0xF7, 0, 0});  // global table of 256 entries
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD q = i < static_cast<int>(palette.size()) ? palette[i] : RGBQUAD{0, 0, 0, 0};
    b.insert(b.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
  }
  b.push_back(0x2C);
  Put32(b, 0);
  Put16(b, static_cast<uint32_t>(width));
  Put16(b, static_cast<uint32_t>(height));
  b.push_back(0);
  b.push_back(8);  // minimum code size: 9-bit codes, clear 256, end 257
  Bytes codes;
  uint32_t bits = 0;
  int count = 0;
  auto emit = [&](uint32_t code) {
    bits |= code << count;
    count += 9;
    while (count >= 8) {
      codes.push_back(static_cast<uint8_t>(bits));
      bits >>= 8;
      count -= 8;
    }
  };
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % 250 == 0) emit(256);  // keeps the decoder's table, and so the code size, small
    emit(indices[i]);
  }
  emit(257);
  if (count > 0) codes.push_back(static_cast<uint8_t>(bits));
  for (size_t pos = 0; pos < codes.size(); pos += 255) {
    const size_t n = codes.size() - pos < 255 ? codes.size() - pos : 255;
    b.push_back(static_cast<uint8_t>(n));
    b.insert(b.end(), codes.begin() + pos, codes.begin() + pos + n);
  }
  b.push_back(0);
  b.push_back(0x3B);
  return b;
}

Bytes Ico32(int width, int height, const std::vector<uint32_t>& argb) {
  const size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
  const size_t imageSize = 40 + static_cast<size_t>(width) * height * 4 + maskStride * height;
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);  // icon
  Put16(b, 1);  // one image
  b.insert(b.end(), {static_cast<uint8_t>(width), static_cast<uint8_t>(height), 0, 0});
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, static_cast<uint32_t>(imageSize));
  Put32(b, 22);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height * 2));  // colour and mask
  Put16(b, 1);
  Put16(b, 32);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) Put32(b, argb[static_cast<size_t>(y) * width + x]);
  b.insert(b.end(), maskStride * height, 0);
  return b;
}

Bytes Png(int width, int height, int bitDepth, int colorType, const Bytes& rows, uint32_t pixelsPerMeter) {
  const int channels = colorType == 6 ? 4 : colorType == 2 ? 3 : colorType == 4 ? 2 : 1;
  const size_t rowBytes = (static_cast<size_t>(width) * channels * bitDepth + 7) / 8;
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), rows.begin() + rowBytes * y, rows.begin() + rowBytes * (y + 1));
  }
  Bytes z = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
    z.push_back(pos + n == raw.size() ? 1 : 0);
    Put16(z, static_cast<uint32_t>(n));
    Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32BE(z, (b << 16) | a);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put32BE(ihdr, static_cast<uint32_t>(width));
  Put32BE(ihdr, static_cast<uint32_t>(height));
  ihdr.insert(ihdr.end(), {static_cast<uint8_t>(bitDepth), static_cast<uint8_t>(colorType), 0, 0, 0});
  PngChunk(png, "IHDR", ihdr);
  if (pixelsPerMeter) {
    Bytes phys;
    Put32BE(phys, pixelsPerMeter);
    Put32BE(phys, pixelsPerMeter);
    phys.push_back(1);  // metres
    PngChunk(png, "pHYs", phys);
  }
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", {});
  return png;
}

}  // namespace testimg
