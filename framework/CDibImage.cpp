#include "framework/CDibImage.h"

#include <objidl.h>  // the GDI+ headers need the COM types that WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/CGdiplusSession.h"
#include "framework/CMemoryDC.h"
#include "framework/CSelectObject.h"

namespace gp = Gdiplus::DllExports;
using Gdiplus::PixelFormat;

namespace {

// Disposes of a GDI+ image at the end of the decode, whatever path it takes.
class CGpImage {
 public:
  CGpImage() = default;
  ~CGpImage() {
    if (m_p) gp::GdipDisposeImage(m_p);
  }
  CGpImage(const CGpImage&) = delete;
  CGpImage& operator=(const CGpImage&) = delete;
  Gdiplus::GpBitmap** Out() { return &m_p; }
  Gdiplus::GpBitmap* Get() const { return m_p; }

 private:
  Gdiplus::GpBitmap* m_p = nullptr;
};

class CGpGraphics {
 public:
  explicit CGpGraphics(Gdiplus::GpImage* image) {
    if (gp::GdipGetImageGraphicsContext(image, &m_p) != Gdiplus::Ok) m_p = nullptr;
  }
  ~CGpGraphics() {
    if (m_p) gp::GdipDeleteGraphics(m_p);
  }
  CGpGraphics(const CGpGraphics&) = delete;
  CGpGraphics& operator=(const CGpGraphics&) = delete;
  Gdiplus::GpGraphics* Get() const { return m_p; }

 private:
  Gdiplus::GpGraphics* m_p = nullptr;
};

// Rows of a DIB are DWORD-aligned.
int DibStride(int width, int bitsPerPixel) {
  return static_cast<int>((static_cast<long long>(width) * bitsPerPixel + 31) / 32 * 4);
}

bool CopyPalette(Gdiplus::GpBitmap* source, CDibImage& image) {
  INT size = 0;
  if (gp::GdipGetImagePaletteSize(source, &size) != Gdiplus::Ok || size < static_cast<INT>(sizeof(Gdiplus::ColorPalette)))
    return false;
  std::vector<BYTE> buffer(static_cast<size_t>(size));
  auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
  if (gp::GdipGetImagePalette(source, palette, size) != Gdiplus::Ok) return false;
  const UINT count = palette->Count;
  // The entries must also lie inside what GDI+ filled in.
  if (count < 1 || count > 256 || sizeof(Gdiplus::ColorPalette) + (count - 1) * sizeof(Gdiplus::ARGB) > buffer.size())
    return false;
  RGBQUAD colors[256] = {};
  for (UINT i = 0; i < count; ++i) {
    const Gdiplus::ARGB argb = palette->Entries[i];  // the entry's alpha is dropped
    colors[i].rgbRed = static_cast<BYTE>(argb >> 16);
    colors[i].rgbGreen = static_cast<BYTE>(argb >> 8);
    colors[i].rgbBlue = static_cast<BYTE>(argb);
  }
  // A DIB of n bits holds at most 2^n entries; a larger palette only fills that many.
  const UINT room = image.GetBPP() < 8 ? (1u << image.GetBPP()) : 256u;
  return image.SetColorTable(0, count < room ? count : room, colors);
}

}  // namespace

CDibImage::CDibImage() { CGdiplusSession::AddHolder(); }

CDibImage::~CDibImage() {
  Destroy();
  CGdiplusSession::ReleaseHolder();
}

long CDibImage::HolderCount() { return CGdiplusSession::HolderCount(); }

bool CDibImage::Attach(HBITMAP bitmap) {
  Destroy();
  if (!bitmap) return false;
  DIBSECTION ds = {};
  if (::GetObjectW(bitmap, sizeof(ds), &ds) == sizeof(ds)) {
    m_nWidth = ds.dsBm.bmWidth;
    m_nHeight = std::abs(ds.dsBmih.biHeight);
    m_nBPP = ds.dsBm.bmBitsPixel;
    const int stride = DibStride(m_nWidth, m_nBPP);
    m_pBits = static_cast<BYTE*>(ds.dsBm.bmBits);
    m_nPitch = stride;
    if (ds.dsBmih.biHeight > 0) {  // bottom-up: the top row is the last one in memory
      if (m_pBits) m_pBits += static_cast<ptrdiff_t>(stride) * (m_nHeight - 1);
      m_nPitch = -stride;
    }
    m_bIsDIBSection = true;
  } else {
    BITMAP bm = {};
    if (::GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm)) return false;
    m_nWidth = bm.bmWidth;
    m_nHeight = bm.bmHeight;
    m_nBPP = bm.bmBitsPixel;
    m_nPitch = bm.bmWidthBytes;
  }
  m_hBitmap = bitmap;
  return true;
}

HBITMAP CDibImage::Detach() {
  HBITMAP bitmap = m_hBitmap;
  m_hBitmap = nullptr;
  Destroy();
  return bitmap;
}

void CDibImage::Destroy() {
  HBITMAP bitmap = m_hBitmap;
  m_hBitmap = nullptr;
  m_nWidth = m_nHeight = m_nBPP = m_nPitch = 0;
  m_pBits = nullptr;
  m_bIsDIBSection = false;
  m_bHasAlpha = false;
  m_nTransparentIndex = kNoTransparentIndex;
  if (bitmap) ::DeleteObject(bitmap);
}

bool CDibImage::Create(int width, int height, int bitsPerPixel, const DWORD* masks) {
  Destroy();
  if (width <= 0 || height <= 0) return false;
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (masks && bitsPerPixel != 16 && bitsPerPixel != 32) return false;
  const long long stride = (static_cast<long long>(width) * bitsPerPixel + 31) / 32 * 4;
  if (stride > INT_MAX || stride * height > INT_MAX) return false;

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;  // bottom-up
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = masks ? BI_BITFIELDS : BI_RGB;
  if (masks) std::memcpy(info.colors, masks, 3 * sizeof(DWORD));
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  if (!bits || !Attach(bitmap)) {
    if (m_hBitmap != bitmap) ::DeleteObject(bitmap);
    Destroy();
    return false;
  }
  return true;
}

bool CDibImage::LoadFromStream(IStream* stream) {
  Destroy();
  if (!stream || !CGdiplusSession::EnsureStarted()) return false;
  if (DecodeFrom(stream)) return true;
  // A half-made bitmap must never be shown as the picture.
  Destroy();
  return false;
}

bool CDibImage::DecodeFrom(IStream* stream) {
  CGpImage source;
  if (gp::GdipCreateBitmapFromStream(stream, source.Out()) != Gdiplus::Ok || !source.Get()) return false;

  PixelFormat format = 0;
  UINT width = 0, height = 0;
  if (gp::GdipGetImagePixelFormat(source.Get(), &format) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(source.Get(), &height) != Gdiplus::Ok ||
      gp::GdipGetImageWidth(source.Get(), &width) != Gdiplus::Ok)
    return false;
  if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;

  PixelFormat target = PixelFormat32bppRGB;
  bool alpha = false;
  if (format & PixelFormatGDI) target = format;
  if (format & PixelFormatAlpha) {
    target = PixelFormat32bppARGB;
    alpha = true;
  }
  const int bpp = static_cast<int>(Gdiplus::GetPixelFormatSize(target));
  // 16-bit 5-6-5 needs its masks: a plain 16-bit DIB is read as 5-5-5.
  static const DWORD kMasks565[3] = {0xF800, 0x07E0, 0x001F};
  if (!Create(static_cast<int>(width), static_cast<int>(height), bpp,
              target == PixelFormat16bppRGB565 ? kMasks565 : nullptr))
    return false;

  if ((format & PixelFormatIndexed) && !CopyPalette(source.Get(), *this)) return false;

  if (target == format) {
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data = {};
    if (gp::GdipBitmapLockBits(source.Get(), &rect, Gdiplus::ImageLockModeRead, format, &data) != Gdiplus::Ok)
      return false;
    const size_t rowBytes = static_cast<size_t>((static_cast<unsigned long long>(bpp) * width + 7) / 8);
    for (int y = 0; y < m_nHeight; ++y) {
      std::memcpy(m_pBits + static_cast<ptrdiff_t>(y) * m_nPitch,
                  static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, rowBytes);
    }
    gp::GdipBitmapUnlockBits(source.Get(), &data);
  } else {
    CGpImage wrapper;  // the DIB's own bits, seen by GDI+ top row first
    if (gp::GdipCreateBitmapFromScan0(m_nWidth, m_nHeight, m_nPitch, target, m_pBits, wrapper.Out()) != Gdiplus::Ok)
      return false;
    CGpGraphics graphics(wrapper.Get());
    if (!graphics.Get()) return false;
    // Copy rather than blend onto the empty target, and at the pixel size: drawing at a
    // point would scale by the source's resolution.
    gp::GdipSetCompositingMode(graphics.Get(), Gdiplus::CompositingModeSourceCopy);
    if (gp::GdipDrawImageRectI(graphics.Get(), source.Get(), 0, 0, m_nWidth, m_nHeight) != Gdiplus::Ok) return false;
  }

  if (alpha) {
    Premultiply();
    m_bHasAlpha = true;
  }
  return true;
}

// AlphaBlend reads premultiplied colours; GDI+ hands out straight ones.
void CDibImage::Premultiply() {
  for (int y = 0; y < m_nHeight; ++y) {
    BYTE* p = m_pBits + static_cast<ptrdiff_t>(y) * m_nPitch;
    for (int x = 0; x < m_nWidth; ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 255) continue;
      p[0] = static_cast<BYTE>((p[0] * a + 127) / 255);
      p[1] = static_cast<BYTE>((p[1] * a + 127) / 255);
      p[2] = static_cast<BYTE>((p[2] * a + 127) / 255);
    }
  }
}

bool CDibImage::Draw(HDC dc, int x, int y, int width, int height) const {
  if (!m_hBitmap) return false;
  CMemoryDC memory;
  if (memory.IsNull()) return false;
  CSelectObject select(memory, m_hBitmap);
  if (!select.Selected()) return false;
  if (m_bHasAlpha) {
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return ::AlphaBlend(dc, x, y, width, height, memory, 0, 0, m_nWidth, m_nHeight, blend) != FALSE;
  }
  return ::StretchBlt(dc, x, y, width, height, memory, 0, 0, m_nWidth, m_nHeight, SRCCOPY) != FALSE;
}

bool CDibImage::SetColorTable(UINT first, UINT count, const RGBQUAD* colors) {
  if (!m_hBitmap || !m_bIsDIBSection) return false;
  CMemoryDC memory;
  CSelectObject select(memory, m_hBitmap);
  return select.Selected() && ::SetDIBColorTable(memory, first, count, colors) == count;
}

UINT CDibImage::GetColorTable(UINT first, UINT count, RGBQUAD* colors) const {
  if (!m_hBitmap || !m_bIsDIBSection) return 0;
  CMemoryDC memory;
  CSelectObject select(memory, m_hBitmap);
  return select.Selected() ? ::GetDIBColorTable(memory, first, count, colors) : 0;
}
