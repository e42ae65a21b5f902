// The preview control painted into memory bitmaps: splash, fitting, formats, alpha,
// palettes, the placeholder text, and resources kept flat over many previews.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/CDibImage.h"
#include "framework/CGdiObject.h"
#include "framework/CGdiplusSession.h"
#include "preview/CImageCtrl.h"
#include "tests/support/ImageStreams.h"
#include "tests/support/PreviewHarness.h"

namespace {

using harness::Canvas;
using testimg::Bytes;

const uint32_t kBlue = 0x0000FF;

// A control bound to a fresh static child of the given client size.
struct Preview {
  explicit Preview(int width, int height, DWORD style = WS_CHILD | WS_VISIBLE, bool visible = false)
      : window(width, height, style, visible) {
    bound = ctrl.SubclassWindow(window.Control());
  }
  Canvas Render(uint32_t background = 0x123456) {
    RECT rc = {};
    GetClientRect(window.Control(), &rc);
    return harness::Render(rc.right, rc.bottom, [this](HDC dc) { ctrl.Paint(dc); }, background);
  }
  bool Show(const Bytes& bytes) { return ctrl.SetImageStream(testimg::StreamOf(bytes)); }

  harness::TestWindow window;
  CImageCtrl ctrl;
  bool bound = false;
};

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Near(uint32_t rgb, uint32_t expected, int tolerance) {
  return std::abs(harness::R(rgb) - harness::R(expected)) <= tolerance &&
         std::abs(harness::G(rgb) - harness::G(expected)) <= tolerance &&
         std::abs(harness::B(rgb) - harness::B(expected)) <= tolerance;
}

// The splash bitmap as the resource holds it, drawn 1:1.
Canvas ReferenceSplash() {
  HANDLE splash = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(129), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  CBitmap bitmap(static_cast<HBITMAP>(splash));
  return harness::Render(300, 240, [&](HDC dc) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, 0, 0, 300, 240, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  });
}

TEST(ImageCtrl, BindingAddsNotifyToTheTemplateStyle) {
  Preview preview(148, 49, 0x50820000);  // the template's static: border, group, visible child
  ASSERT_TRUE(preview.bound);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(preview.window.Control(), GWL_STYLE)),
            static_cast<DWORD>(0x50820000 | SS_NOTIFY));
}

TEST(ImageCtrl, ShowsTheSplashUntilAPreviewIsAskedForAndAfterClearImage) {
  const Canvas reference = ReferenceSplash();
  reference.SaveShot("splash-reference");
  std::vector<uint32_t> colours(reference.pixels);
  std::sort(colours.begin(), colours.end());
  EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 100) << "the splash is a real picture";

  Preview preview(300, 240);
  ASSERT_TRUE(preview.bound);
  EXPECT_EQ(preview.Render().pixels, reference.pixels);  // drawn at its own size

  ASSERT_TRUE(preview.Show(testimg::Bmp24(20, 20, kBlue)));
  EXPECT_NE(preview.Render().pixels, reference.pixels);
  preview.ctrl.ClearImage();
  EXPECT_EQ(preview.Render().pixels, reference.pixels);

  EXPECT_FALSE(preview.ctrl.SetImageStream(nullptr));  // placeholder text, then splash again
  EXPECT_GT(preview.Render().Count(harness::IsRed), 100);
  preview.ctrl.ClearImage();
  EXPECT_EQ(preview.Render().pixels, reference.pixels);

  Preview small(150, 200);  // fitted: 150 x 120, centred
  const Canvas fitted = small.Render();
  fitted.SaveShot("splash-fitted");
  EXPECT_TRUE(SameRect(fitted.InkBounds(), RECT{0, 40, 150, 160})) << Describe(fitted.InkBounds());
}

TEST(ImageCtrl, FitsPicturesShrinkingNeverEnlargingAndCentres) {
  struct Case {
    int iw, ih;
    RECT expected;  // in a 300 x 200 control
  } cases[] = {
      {600, 100, {0, 75, 300, 125}},
      {100, 400, {125, 0, 175, 200}},
      {16, 16, {142, 92, 158, 108}},
      {300, 50, {0, 75, 300, 125}},   // exactly as wide: drawn as it is
      {301, 200, {0, 0, 300, 199}},
      {300, 200, {0, 0, 300, 200}},
  };
  Preview preview(300, 200);
  for (const Case& c : cases) {
    ASSERT_TRUE(preview.Show(testimg::Bmp24(c.iw, c.ih, kBlue))) << c.iw << "x" << c.ih;
    const Canvas canvas = preview.Render();
    EXPECT_TRUE(SameRect(canvas.InkBounds(), c.expected)) << c.iw << "x" << c.ih << ": " << Describe(canvas.InkBounds());
    EXPECT_EQ(canvas.At((c.expected.left + c.expected.right) / 2, (c.expected.top + c.expected.bottom) / 2), kBlue);
    if (c.iw == 600) canvas.SaveShot("fit-600x100");
  }
}

TEST(ImageCtrl, AZeroSizeControlDrawsNothing) {
  for (SIZE size : {SIZE{0, 0}, SIZE{0, 200}, SIZE{300, 0}}) {
    Preview preview(size.cx, size.cy);
    ASSERT_TRUE(preview.Show(testimg::Bmp24(600, 100, kBlue)));
    const Canvas canvas = preview.Render(0x123456);
    for (uint32_t p : canvas.pixels) ASSERT_EQ(p & 0xFFFFFF, 0x123456u) << size.cx << "x" << size.cy;
    preview.ctrl.ClearImage();
    preview.Render();  // the splash path too
  }
}

TEST(ImageCtrl, BlendsHalfTransparentPixelsOverWhite) {
  // 30 x 10: straight (100, 200, 50) at alpha 128 | transparent red | opaque blue.
  Bytes rows;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 30; ++x) {
      if (x < 10) rows.insert(rows.end(), {100, 200, 50, 128});
      else if (x < 20) rows.insert(rows.end(), {255, 0, 0, 0});
      else rows.insert(rows.end(), {0, 0, 255, 255});
    }
  Preview preview(300, 200);
  ASSERT_TRUE(preview.Show(testimg::Png(30, 10, 8, 6, rows)));
  const Canvas canvas = preview.Render();
  canvas.SaveShot("alpha");
  // Drawn 1:1 at (135, 95). Over white: c * a / 255 + 255 * (255 - a) / 255.
  const uint32_t half = canvas.At(140, 100);
  EXPECT_EQ(half, 0xB1E398u) << std::hex << half;  // (177, 227, 152)
  EXPECT_EQ(canvas.At(150, 100), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(160, 100), kBlue);
}

TEST(ImageCtrl, IndexedImagesKeepTheirPaletteColours) {
  const std::vector<RGBQUAD> palette = {{30, 200, 10, 0}, {5, 120, 250, 0}, {160, 40, 40, 0}, {90, 90, 20, 0}};
  auto colour = [&](int i) {
    return static_cast<uint32_t>(palette[i].rgbRed) << 16 | palette[i].rgbGreen << 8 | palette[i].rgbBlue;
  };
  struct Case {
    int bpp;
    Bytes rows;  // 4 x 2 pixels, indices 0 1 ... per row
    int index[8];
  } cases[] = {
      {1, {0x50, 0xA0}, {0, 1, 0, 1, 1, 0, 1, 0}},
      {4, {0x01, 0x23, 0x32, 0x10}, {0, 1, 2, 3, 3, 2, 1, 0}},
      {8, {3, 2, 1, 0, 0, 0, 3, 3}, {3, 2, 1, 0, 0, 0, 3, 3}},
  };
  Preview preview(300, 200);
  for (const Case& c : cases) {
    const std::vector<RGBQUAD> used(palette.begin(), palette.begin() + (c.bpp == 1 ? 2 : 4));
    ASSERT_TRUE(preview.Show(testimg::Bmp(4, 2, c.bpp, used, c.rows))) << c.bpp;
    const Canvas canvas = preview.Render();
    for (int i = 0; i < 8; ++i)  // drawn 1:1 at (148, 99)
      EXPECT_EQ(canvas.At(148 + i % 4, 99 + i / 4), colour(c.index[i])) << c.bpp << " bpp, pixel " << i;
  }
}

TEST(ImageCtrl, ShowsEveryFormatTheCodecAccepts) {
  const uint32_t colour = 0x0066CC;
  struct Case {
    const char* name;
    Bytes bytes;
    int w, h, tolerance;
  } cases[] = {
      {"png", testimg::Encode(L"image/png", 40, 30, testimg::Solid(40, 30, 0xFF000000 | colour)), 40, 30, 0},
      {"jpeg", testimg::Encode(L"image/jpeg", 40, 30, testimg::Solid(40, 30, 0xFF000000 | colour)), 40, 30, 8},
      {"bmp", testimg::Encode(L"image/bmp", 40, 30, testimg::Solid(40, 30, 0xFF000000 | colour)), 40, 30, 0},
      {"gif", testimg::Gif(40, 30, {{0, 0, 0, 0}, {0xCC, 0x66, 0x00, 0}}, Bytes(40 * 30, 1)), 40, 30, 0},
      {"ico", testimg::Ico32(32, 32, testimg::Solid(32, 32, 0xFF000000 | colour)), 32, 32, 0},
      // 16 bits per channel at 72 dots per inch: converted, and not scaled by the resolution.
      {"png48",
       testimg::Png(40, 30, 16, 2,
                    [] {
                      Bytes rows;
                      for (int i = 0; i < 40 * 30; ++i) rows.insert(rows.end(), {0x00, 0x00, 0x66, 0x66, 0xCC, 0xCC});
                      return rows;
                    }(),
                    2835),
       40, 30, 1},
      {"bmp565",
       testimg::Bmp(40, 30, 16, {},
                    [] {  // 5-6-5 (0, 100, 206) ~ 0x0066CC: a 5-5-5 reading would be far off
                      Bytes rows;
                      for (int i = 0; i < 40 * 30; ++i) rows.insert(rows.end(), {0x39, 0x03});
                      return rows;
                    }(),
                    [] {
                      static const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
                      return masks;
                    }()),
       40, 30, 8},
  };
  Preview preview(300, 200);
  for (const Case& c : cases) {
    ASSERT_FALSE(c.bytes.empty()) << c.name << ": no encoder";
    ASSERT_TRUE(preview.Show(c.bytes)) << c.name;
    const Canvas canvas = preview.Render();
    const RECT expected = {(300 - c.w) / 2, (200 - c.h) / 2, (300 - c.w) / 2 + c.w, (200 - c.h) / 2 + c.h};
    EXPECT_TRUE(SameRect(canvas.InkBounds(), expected)) << c.name << ": " << Describe(canvas.InkBounds());
    const uint32_t centre = canvas.At(150, 100);
    EXPECT_TRUE(Near(centre, colour, c.tolerance)) << c.name << std::hex << ": " << centre;
  }
}

namespace {

// An icon (type 1) or cursor (type 2) directory over the given pictures, in that order:
// each picture is an icon file's image part or PNG bytes.
Bytes IconDirectory(int type, const std::vector<std::pair<int, Bytes>>& pictures) {
  Bytes b = {0, 0, static_cast<uint8_t>(type), 0, static_cast<uint8_t>(pictures.size()), 0};
  uint32_t offset = static_cast<uint32_t>(6 + 16 * pictures.size());
  for (const auto& p : pictures) {
    const uint8_t side = static_cast<uint8_t>(p.first);  // 256 is stored as 0
    const uint32_t n = static_cast<uint32_t>(p.second.size());
    b.insert(b.end(), {side, side, 0, 0, 1, 0, 32, 0});
    for (uint32_t v : {n, offset}) b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    offset += n;
  }
  for (const auto& p : pictures) b.insert(b.end(), p.second.begin(), p.second.end());
  return b;
}

Bytes IconPicture(int side, uint32_t argb) {
  const Bytes file = testimg::Ico32(side, side, testimg::Solid(side, side, argb));
  return Bytes(file.begin() + 22, file.end());
}

}  // namespace

// An icon or cursor of several sizes shows its largest picture, wherever it stands in the
// directory and however it is stored.
TEST(ImageCtrl, AnIconOfSeveralSizesShowsItsLargestPicture) {
  const uint32_t red = 0xFF0000, blue = 0x0000FF, green = 0x00A000;
  struct Case {
    const char* name;
    Bytes bytes;
    int side;
    uint32_t colour;
  } cases[] = {
      {"ico 16 48 32", IconDirectory(1, {{16, IconPicture(16, 0xFF000000 | red)}, {48, IconPicture(48, 0xFF000000 | blue)},
                                         {32, IconPicture(32, 0xFF000000 | red)}}),
       48, blue},
      {"cur 16 48", IconDirectory(2, {{16, IconPicture(16, 0xFF000000 | red)}, {48, IconPicture(48, 0xFF000000 | blue)}}),
       48, blue},
      {"ico with a png 64",
       IconDirectory(1, {{16, IconPicture(16, 0xFF000000 | red)},
                         {64, testimg::Encode(L"image/png", 64, 64, testimg::Solid(64, 64, 0xFF000000 | green))}}),
       64, green},
      // A picture whose bytes reach past the file does not count.
      {"ico, the larger one cut", [&] {
         Bytes b = IconDirectory(1, {{16, IconPicture(16, 0xFF000000 | red)}, {48, IconPicture(48, 0xFF000000 | blue)}});
         b.resize(b.size() - 10);
         return b;
       }(),
       16, red},
  };
  Preview preview(300, 200);
  for (const Case& c : cases) {
    ASSERT_TRUE(preview.Show(c.bytes)) << c.name;
    const Canvas canvas = preview.Render();
    const RECT expected = {(300 - c.side) / 2, (200 - c.side) / 2, (300 - c.side) / 2 + c.side, (200 - c.side) / 2 + c.side};
    EXPECT_TRUE(SameRect(canvas.InkBounds(), expected)) << c.name << ": " << Describe(canvas.InkBounds());
    EXPECT_TRUE(Near(canvas.At(150, 100), c.colour, 0)) << c.name << std::hex << ": " << canvas.At(150, 100);
  }
}

TEST(ImageCtrl, UndecodableOrMissingStreamsShowTheRedPlaceholderText) {
  const Bytes png = testimg::Png(8, 8, 8, 6, Bytes(8 * 8 * 4, 0xFF));
  const Bytes empty, xml = {'<', '?', 'x', 'm', 'l', '?', '>', '<', 'a', '/', '>'};
  const Bytes headerOnly(png.begin(), png.begin() + 33);  // signature and header, no pixels
  const Bytes* cases[] = {nullptr, &empty, &xml, &headerOnly};  // null: no stream at all
  Preview preview(300, 200);
  for (int i = 0; i < 4; ++i) {
    // Each after a picture: a failed preview must not leave the earlier one on screen.
    ASSERT_TRUE(preview.Show(testimg::Bmp24(300, 200, kBlue)));
    EXPECT_FALSE(cases[i] ? preview.Show(*cases[i]) : preview.ctrl.SetImageStream(nullptr)) << i;
    const Canvas canvas = preview.Render();
    if (i == 0) canvas.SaveShot("placeholder");
    EXPECT_GT(canvas.Count(harness::IsRed), 150) << i;
    EXPECT_EQ(canvas.Count([](uint32_t p) { return p == kBlue; }), 0) << i;
    const RECT ink = canvas.InkBounds();  // red text in the middle, white elsewhere
    EXPECT_TRUE(ink.left > 40 && ink.right < 260 && ink.top > 60 && ink.bottom < 140) << i << ": " << Describe(ink);
  }
}

// The placeholder's face and size, not only its colour: "无图片显示" in 20-point 宋体 for the
// device (27 pixels at 96 dots per inch), red, on one line centred in the whole control,
// drawn here from those values, gives the control's pixels exactly.
TEST(ImageCtrl, ThePlaceholderIsTwentyPointSongCentredInRed) {
  const SIZE sizes[] = {{300, 200}, {151, 61}};
  for (const SIZE& size : sizes) {
    Preview preview(size.cx, size.cy);
    EXPECT_FALSE(preview.ctrl.SetImageStream(nullptr));
    const Canvas got = preview.Render();
    const Canvas want = harness::Render(size.cx, size.cy, [&](HDC dc) {
      RECT all = {0, 0, size.cx, size.cy};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      HFONT font = CreateFontW(-MulDiv(GetDeviceCaps(dc, LOGPIXELSY), 200, 720), 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
      HGDIOBJ old = SelectObject(dc, font);
      SetTextColor(dc, RGB(255, 0, 0));
      wchar_t text[] = L"无图片显示";
      DrawTextExW(dc, text, 5, &all, DT_SINGLELINE | DT_VCENTER | DT_CENTER, nullptr);
      SelectObject(dc, old);
      DeleteObject(font);
    });
    EXPECT_GT(got.Count(harness::IsRed), 100) << size.cx;
    EXPECT_TRUE(got.pixels == want.pixels) << size.cx << " x " << size.cy << ": ink at " << Describe(got.InkBounds())
                                           << ", drawn with the font at " << Describe(want.InkBounds());
  }
}

namespace {

// What a paint asked of the device, recorded in an enhanced metafile: the fonts it made and
// the texts it wrote with their colour.
struct Recorded {
  std::vector<LOGFONTW> fonts;
  std::vector<std::wstring> texts;
  std::vector<COLORREF> textColours;  // the colour set when each text was written
  COLORREF colour = 0;                 // the text colour so far
};

int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
  Recorded& out = *reinterpret_cast<Recorded*>(data);
  switch (record->iType) {
    case EMR_EXTCREATEFONTINDIRECTW:
      out.fonts.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont);
      break;
    case EMR_SETTEXTCOLOR:
      out.colour = reinterpret_cast<const EMRSETTEXTCOLOR*>(record)->crColor;
      break;
    case EMR_EXTTEXTOUTW: {
      const EMREXTTEXTOUTW* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
      const wchar_t* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
      out.texts.emplace_back(chars, text->emrtext.nChars);
      out.textColours.push_back(out.colour);
      break;
    }
  }
  return 1;
}

}  // namespace

// The same paint recorded as drawing calls: the face and the size it asked for, whatever
// font the system then drew with.
TEST(ImageCtrl, ThePlaceholderAsksForTwentyPointSong) {
  Preview preview(300, 200);
  EXPECT_FALSE(preview.ctrl.SetImageStream(nullptr));
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  HDC meta = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(meta, nullptr);
  preview.ctrl.Paint(meta);
  HENHMETAFILE file = CloseEnhMetaFile(meta);
  ASSERT_NE(file, nullptr);
  Recorded recorded;
  RECT bounds = {0, 0, 300, 200};
  EnumEnhMetaFile(nullptr, file, &ReadRecord, &recorded, &bounds);
  DeleteEnhMetaFile(file);

  ASSERT_EQ(recorded.fonts.size(), 1u);
  const LOGFONTW& font = recorded.fonts[0];
  EXPECT_STREQ(font.lfFaceName, L"宋体");
  EXPECT_EQ(font.lfHeight, -MulDiv(pixelsPerInch, 200, 720)) << pixelsPerInch << " dots per inch";
  EXPECT_EQ(font.lfWeight, 0);
  EXPECT_EQ(font.lfItalic, 0);
  EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
  ASSERT_EQ(recorded.texts.size(), 1u);
  EXPECT_EQ(recorded.texts[0], L"无图片显示");
  EXPECT_EQ(recorded.textColours[0], RGB(255, 0, 0));
}

TEST(ImageCtrl, PaintsTheKeptPixelsWithoutTheStreamAndLeavesTheStreamToTheCaller) {
  Preview preview(300, 200);
  CComPtr<IStream> stream = testimg::StreamOf(testimg::Bmp24(50, 50, kBlue));
  stream->AddRef();
  const ULONG before = stream->Release();
  ASSERT_TRUE(preview.ctrl.SetImageStream(stream));
  stream->AddRef();
  EXPECT_EQ(stream->Release(), before);  // no reference kept or dropped
  stream.Release();                      // the bytes are gone: painting cannot decode
  for (int i = 0; i < 2; ++i) {
    const Canvas canvas = preview.Render();
    EXPECT_TRUE(SameRect(canvas.InkBounds(), RECT{125, 75, 175, 125})) << Describe(canvas.InkBounds());
  }
}

TEST(ImageCtrl, GdiObjectsAndHoldersStayFlatOverAThousandPreviews) {
  const Bytes samples[] = {
      testimg::Png(64, 48, 8, 6, Bytes(64 * 48 * 4, 0x80)),
      testimg::Encode(L"image/jpeg", 64, 48, testimg::Solid(64, 48, 0xFF336699)),
      testimg::Bmp24(600, 100, kBlue),
      testimg::Gif(32, 32, {{1, 2, 3, 0}, {4, 5, 6, 0}}, Bytes(32 * 32, 1)),
      testimg::Ico32(16, 16, testimg::Solid(16, 16, 0x80FF0000)),
      testimg::Bmp(4, 2, 8, {{1, 2, 3, 0}, {4, 5, 6, 0}}, Bytes(8, 1)),
      Bytes{'n', 'o', 'p', 'e'},
  };
  Preview preview(300, 200);
  auto round = [&](int i) {
    const Bytes& bytes = samples[i % 7];
    if (i % 9 == 8) preview.ctrl.SetImageStream(nullptr);
    else if (i % 13 == 12) preview.ctrl.ClearImage();
    else preview.Show(bytes);
    if (i % 25 == 0) preview.Render();
  };
  for (int i = 0; i < 14; ++i) round(i);  // warm-up: GDI+ and codecs keep their own caches
  preview.ctrl.ClearImage();               // count in the same state before and after
  const unsigned gdiBefore = harness::GdiObjectCount();
  const long holdersBefore = CDibImage::HolderCount();
  ASSERT_GT(gdiBefore, 0u);
  for (int i = 0; i < 1000; ++i) round(i);
  preview.ctrl.ClearImage();
  preview.Render();
  EXPECT_EQ(harness::GdiObjectCount(), gdiBefore);
  EXPECT_EQ(CDibImage::HolderCount(), holdersBefore);
}

TEST(ImageCtrl, HoldsGdiplusOnlyWhileAControlLives) {
  ASSERT_EQ(CDibImage::HolderCount(), 0) << "a holder outlived an earlier test";
  {
    Preview first(100, 100);
    EXPECT_EQ(CDibImage::HolderCount(), 2);  // the picture and the splash
    EXPECT_FALSE(CGdiplusSession::IsStarted());
    ASSERT_TRUE(first.Show(testimg::Bmp24(10, 10, kBlue)));
    EXPECT_TRUE(CGdiplusSession::IsStarted());
    {
      Preview second(100, 100);
      EXPECT_EQ(CDibImage::HolderCount(), 4);
    }
    EXPECT_TRUE(CGdiplusSession::IsStarted());
  }
  EXPECT_EQ(CDibImage::HolderCount(), 0);
  EXPECT_FALSE(CGdiplusSession::IsStarted());
}

TEST(ImageCtrl, PaintsOnWmPaintAndRefitsAfterEveryResize) {
  Preview preview(300, 200, WS_CHILD | WS_VISIBLE, /*visible=*/true);
  const HWND control = preview.window.Control();
  ASSERT_TRUE(preview.Show(testimg::Bmp24(600, 100, kBlue)));
  auto screen = [&](int w, int h) {
    UpdateWindow(preview.window.Parent());
    UpdateWindow(control);
    return harness::Render(w, h, [&](HDC dc) {
      HDC window = GetDC(control);
      BitBlt(dc, 0, 0, w, h, window, 0, 0, SRCCOPY);
      ReleaseDC(control, window);
    });
  };
  Canvas shown = screen(300, 200);
  shown.SaveShot("window");
  EXPECT_TRUE(SameRect(shown.InkBounds(), RECT{0, 75, 300, 125})) << Describe(shown.InkBounds());

  // Shrinking exposes nothing new; the control itself must ask for the whole repaint.
  ValidateRect(control, nullptr);
  SetWindowPos(control, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  CRgn update(CreateRectRgn(0, 0, 0, 0));
  CRgn whole(CreateRectRgn(0, 0, 200, 150));
  ASSERT_NE(GetUpdateRgn(control, update, FALSE), ERROR);
  EXPECT_TRUE(EqualRgn(update, whole));
  shown = screen(200, 150);
  EXPECT_TRUE(SameRect(shown.InkBounds(), RECT{0, 58, 200, 91})) << Describe(shown.InkBounds());
}

}  // namespace
