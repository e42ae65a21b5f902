// Repainting a 4096 x 4096 picture into an 800 x 600 preview, against a bare StretchBlt of
// an identical DIB into the same place. The stream is released before the first paint, so
// painting has nothing it could decode.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "framework/CComPtr.h"
#include "framework/CDibImage.h"
#include "framework/CGlobalMemory.h"
#include "preview/CImageCtrl.h"
#include "framework/CMemoryDC.h"
#include "framework/CSelectObject.h"
#include "preview/ImageFit.h"
#include "bench/BenchClock.h"

namespace {

const int kImage = 4096;
const int kWidth = 800;
const int kHeight = 600;


// A 24-bit bottom-up BMP with a gradient and a grid, so the shrink has real work to do.
std::vector<uint8_t> MakeBmp() {
  const size_t stride = kImage * 3;
  std::vector<uint8_t> b(54 + stride * kImage);
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = 54;
  fh.bfSize = static_cast<DWORD>(b.size());
  BITMAPINFOHEADER ih = {};
  ih.biSize = 40;
  ih.biWidth = kImage;
  ih.biHeight = kImage;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  memcpy(b.data(), &fh, 14);
  memcpy(b.data() + 14, &ih, 40);
  for (int y = 0; y < kImage; ++y) {
    uint8_t* row = b.data() + 54 + stride * y;
    for (int x = 0; x < kImage; ++x) {
      const bool grid = (x % 64) == 0 || (y % 64) == 0;
      row[3 * x] = grid ? 0 : static_cast<uint8_t>(x >> 4);
      row[3 * x + 1] = grid ? 0 : static_cast<uint8_t>(y >> 4);
      row[3 * x + 2] = static_cast<uint8_t>((x + y) >> 5);
    }
  }
  return b;
}

CComPtr<IStream> StreamOf(const std::vector<uint8_t>& bytes) {
  CComPtr<IStream> stream;
  CGlobalMemory memory;
  if (memory.Assign(bytes.data(), bytes.size()) && SUCCEEDED(CreateStreamOnHGlobal(memory.Get(), TRUE, &stream)))
    memory.Detach();
  return stream;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Times `reps` calls of each, alternating, `rounds` times; medians of the per-call times.
template <class A, class B>
void Compare(const char* what, int rounds, int reps, A paint, B bare) {
  std::vector<double> a, b;
  paint();  // warm both paths once
  bare();
  for (int r = 0; r < rounds; ++r) {
    double t = Now();
    for (int i = 0; i < reps; ++i) bare();
    GdiFlush();
    b.push_back((Now() - t) / reps);
    t = Now();
    for (int i = 0; i < reps; ++i) paint();
    GdiFlush();
    a.push_back((Now() - t) / reps);
  }
  const double ma = Median(a), mb = Median(b);
  std::printf("%-34s control %8.2f ms   bare StretchBlt %8.2f ms   ratio %.3f\n", what, ma * 1e3, mb * 1e3, ma / mb);
}

}  // namespace

int main() {
  const std::vector<uint8_t> bytes = MakeBmp();

  HWND parent = CreateWindowExW(0, L"STATIC", L"preview bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 40, kHeight + 40,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, kWidth, kHeight, parent,
                               reinterpret_cast<HMENU>(1006), GetModuleHandleW(nullptr), nullptr);
  CImageCtrl preview;
  if (!preview.SubclassWindow(child)) {
    std::printf("cannot bind the preview window\n");
    return 1;
  }

  double t = Now();
  {
    CComPtr<IStream> stream = StreamOf(bytes);
    if (!preview.SetImageStream(stream)) {
      std::printf("decode failed\n");
      return 1;
    }
  }  // stream released: every paint below works from the kept DIB
  const double decodeMs = (Now() - t) * 1e3;

  CDibImage same;  // the bare side's DIB: the same bytes through the same decode
  {
    CComPtr<IStream> stream = StreamOf(bytes);
    if (!same.LoadFromStream(stream)) return 1;
  }
  std::printf("%d x %d, %d bits, into %d x %d; decode once %.1f ms\n", kImage, kImage, same.GetBPP(), kWidth, kHeight,
              decodeMs);
  const sorv::FitRect fit = sorv::FitImage(kImage, kImage, kWidth, kHeight);
  CMemoryDC source;
  CSelectObject sourceSelect(source, same.GetBitmap());

  // Into a memory bitmap (a 32-bit DIB section): the paint itself, without the window system.
  CDibImage target;
  if (!target.Create(kWidth, kHeight, 32, nullptr)) return 1;
  CMemoryDC dc;
  CSelectObject targetSelect(dc, target.GetBitmap());
  Compare("memory DC (Paint)", 9, 3, [&] { preview.Paint(dc); },
          [&] { StretchBlt(dc, fit.x, fit.y, fit.width, fit.height, source, 0, 0, kImage, kImage, SRCCOPY); });

  // Through WM_PAINT into the visible window.
  Compare("window (WM_PAINT)", 9, 3,
          [&] {
            InvalidateRect(child, nullptr, TRUE);
            UpdateWindow(child);
          },
          [&] {
            HDC window = GetDC(child);
            StretchBlt(window, fit.x, fit.y, fit.width, fit.height, source, 0, 0, kImage, kImage, SRCCOPY);
            ReleaseDC(child, window);
          });

  DestroyWindow(parent);
  return 0;
}
