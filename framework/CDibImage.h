// The device-independent-bitmap image holder: a bitmap handle (null = empty) with its size,
// bit depth, row pitch and marks. Every holder counts itself process-wide; the last one
// going shuts GDI+ down (CGdiplusSession).
#pragma once
#include <windows.h>
#include <objidl.h>

class CDibImage {
 public:
  static constexpr LONG kNoTransparentIndex = -1;

  CDibImage();
  ~CDibImage();
  CDibImage(const CDibImage&) = delete;
  CDibImage& operator=(const CDibImage&) = delete;

  // Takes ownership of `bitmap` (a DIB section or a device-dependent bitmap) and reads its
  // size, depth and pitch; a bottom-up DIB gets a negative pitch.
  bool Attach(HBITMAP bitmap);
  HBITMAP Detach();
  // Empties the holder and deletes its bitmap.
  void Destroy();

  // A bottom-up DIB section, zeroed colour table for 8 bits per pixel or less; `masks`
  // (red, green, blue) makes a bit-field DIB of 16 or 32 bits per pixel.
  bool Create(int width, int height, int bitsPerPixel, const DWORD* masks = nullptr);
  // Decodes a whole image from `stream` with GDI+ (read from its current position). On
  // failure the holder is left empty.
  bool LoadFromStream(IStream* stream);

  // Copies the whole bitmap into (x, y, width, height) of `dc`: alpha-blended when the
  // holder has an alpha channel (its pixels are premultiplied), stretched otherwise.
  bool Draw(HDC dc, int x, int y, int width, int height) const;

  bool SetColorTable(UINT first, UINT count, const RGBQUAD* colors);
  UINT GetColorTable(UINT first, UINT count, RGBQUAD* colors) const;

  bool IsNull() const { return m_hBitmap == nullptr; }
  HBITMAP GetBitmap() const { return m_hBitmap; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetBPP() const { return m_nBPP; }
  // Bytes from one row to the next going down the picture; negative for bottom-up.
  int GetPitch() const { return m_nPitch; }
  // The top row's first byte, or null when not a DIB section.
  BYTE* GetBits() const { return m_pBits; }
  bool IsDIBSection() const { return m_bIsDIBSection; }
  bool HasAlpha() const { return m_bHasAlpha; }
  LONG GetTransparentIndex() const { return m_nTransparentIndex; }

  // Holders alive in the process.
  static long HolderCount();

 private:
  bool DecodeFrom(IStream* stream);
  void Premultiply();

  HBITMAP m_hBitmap = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBPP = 0;
  int m_nPitch = 0;
  BYTE* m_pBits = nullptr;
  bool m_bIsDIBSection = false;
  bool m_bHasAlpha = false;
  LONG m_nTransparentIndex = kNoTransparentIndex;
};
