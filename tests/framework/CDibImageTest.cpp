// The image holder: attaching bitmaps, making DIBs, decoding by pixel format, and the
// process-wide holder count that stops GDI+.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/CDibImage.h"
#include "framework/CGdiplusSession.h"
#include "tests/support/ImageStreams.h"

namespace {

using testimg::Bytes;

TEST(DibImage, AttachesTheSplashResourceAsABottomUpDib) {
  HANDLE loaded = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(129), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  ASSERT_NE(loaded, nullptr) << "bitmap 129 is not linked in";
  DIBSECTION ds = {};
  ASSERT_EQ(GetObjectW(loaded, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
  CDibImage image;
  ASSERT_TRUE(image.Attach(static_cast<HBITMAP>(loaded)));
  EXPECT_EQ(image.GetWidth(), 300);
  EXPECT_EQ(image.GetHeight(), 240);
  EXPECT_EQ(image.GetBPP(), 24);
  EXPECT_EQ(image.GetPitch(), -900);  // bottom-up rows of 300 * 3 bytes
  EXPECT_EQ(image.GetBits(), static_cast<BYTE*>(ds.dsBm.bmBits) + 239 * 900);
  EXPECT_TRUE(image.IsDIBSection());
  EXPECT_FALSE(image.HasAlpha());
  EXPECT_EQ(image.GetTransparentIndex(), CDibImage::kNoTransparentIndex);

  image.Destroy();
  EXPECT_TRUE(image.IsNull());
  EXPECT_EQ(image.GetWidth(), 0);
  EXPECT_EQ(GetObjectType(loaded), 0u);  // the holder owned and deleted it
}

TEST(DibImage, AttachesADeviceDependentBitmapWithoutBits) {
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 20, 10);
  ReleaseDC(nullptr, screen);
  CDibImage image;
  ASSERT_TRUE(image.Attach(ddb));
  EXPECT_EQ(image.GetWidth(), 20);
  EXPECT_EQ(image.GetHeight(), 10);
  EXPECT_FALSE(image.IsDIBSection());
  EXPECT_EQ(image.GetBits(), nullptr);
  EXPECT_EQ(image.Detach(), ddb);
  EXPECT_TRUE(image.IsNull());
  EXPECT_EQ(GetObjectType(ddb), static_cast<DWORD>(OBJ_BITMAP));  // detached: not deleted
  DeleteObject(ddb);
}

TEST(DibImage, CreatesBottomUpDibsWithAZeroedColourTable) {
  CDibImage image;
  ASSERT_TRUE(image.Create(10, 3, 8));
  EXPECT_EQ(image.GetPitch(), -12);
  RGBQUAD table[256];
  memset(table, 0xAB, sizeof(table));
  ASSERT_EQ(image.GetColorTable(0, 256, table), 256u);
  for (const RGBQUAD& q : table) EXPECT_EQ(q.rgbRed | q.rgbGreen | q.rgbBlue, 0);
  for (int bad : {0, 2, 7, 64}) EXPECT_FALSE(image.Create(4, 4, bad)) << bad;
  EXPECT_FALSE(image.Create(0, 4, 32));
  EXPECT_FALSE(image.Create(0x7FFFFFFF, 2, 32));  // the row size overflows
  EXPECT_TRUE(image.IsNull());
}

// What GDI+ reports decides the holder's layout: alpha wins, GDI formats are kept with their
// palettes, the rest becomes 32-bit.
TEST(DibImage, ChoosesTheHolderFormatFromTheSourceFormat) {
  const RGBQUAD palette[4] = {{30, 200, 10, 0}, {5, 120, 250, 0}, {160, 40, 40, 0}, {0, 0, 0, 0}};
  const Bytes indexed4 = testimg::Bmp(3, 1, 4, {palette[0], palette[1], palette[2]}, {0x01, 0x20});
  Bytes rgba16;  // one opaque pixel (100, 200, 50) in 16 bits per channel
  for (int v : {100, 200, 50, 255}) {
    rgba16.push_back(static_cast<uint8_t>(v));
    rgba16.push_back(static_cast<uint8_t>(v));
  }

  struct Case {
    const char* name;
    Bytes bytes;
    int bpp;
    bool alpha;
  } cases[] = {
      {"24-bit BMP", testimg::Bmp24(4, 4, 0x336699), 24, false},
      {"4-bit BMP", indexed4, 4, false},
      {"RGBA PNG", testimg::Png(1, 1, 8, 6, {1, 2, 3, 4}), 32, true},
      {"16-bit RGBA PNG", testimg::Png(1, 1, 16, 6, rgba16), 32, true},
      {"icon", testimg::Ico32(16, 16, testimg::Solid(16, 16, 0x80FF0000)), 32, true},
  };
  for (const Case& c : cases) {
    CDibImage image;
    ASSERT_TRUE(image.LoadFromStream(testimg::StreamOf(c.bytes))) << c.name;
    EXPECT_EQ(image.GetBPP(), c.bpp) << c.name;
    EXPECT_EQ(image.HasAlpha(), c.alpha) << c.name;
    EXPECT_TRUE(image.IsDIBSection()) << c.name;
    EXPECT_LT(image.GetPitch(), 0) << c.name;
  }
  CDibImage image;
  ASSERT_TRUE(image.LoadFromStream(testimg::StreamOf(indexed4)));
  RGBQUAD table[16] = {};
  ASSERT_EQ(image.GetColorTable(0, 16, table), 16u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(table[i].rgbRed, palette[i].rgbRed) << i;
    EXPECT_EQ(table[i].rgbGreen, palette[i].rgbGreen) << i;
    EXPECT_EQ(table[i].rgbBlue, palette[i].rgbBlue) << i;
  }
  EXPECT_EQ(image.GetBits()[0], 0x01);  // the indices themselves were copied
  EXPECT_EQ(image.GetBits()[1] & 0xF0, 0x20);
}

TEST(DibImage, PremultipliesDecodedAlpha) {
  // Straight (100, 200, 50) at alpha 128, and a transparent red that must vanish.
  const Bytes png = testimg::Png(2, 1, 8, 6, {100, 200, 50, 128, 255, 0, 0, 0});
  CDibImage image;
  ASSERT_TRUE(image.LoadFromStream(testimg::StreamOf(png)));
  const BYTE* p = image.GetBits();
  EXPECT_EQ(p[2], 50);   // 100 * 128 / 255
  EXPECT_EQ(p[1], 100);  // 200 * 128 / 255
  EXPECT_EQ(p[0], 25);   // 50 * 128 / 255
  EXPECT_EQ(p[3], 128);
  EXPECT_EQ(p[4] | p[5] | p[6] | p[7], 0);
}

TEST(DibImage, AFailedDecodeLeavesTheHolderEmpty) {
  CDibImage image;
  ASSERT_TRUE(image.LoadFromStream(testimg::StreamOf(testimg::Bmp24(2, 2, 0xFF0000))));
  const HBITMAP before = image.GetBitmap();
  const Bytes truncated = testimg::Bmp24(64, 64, 0x00FF00);
  for (const Bytes& bad : {Bytes{}, Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'},
                           Bytes(truncated.begin(), truncated.begin() + 40)}) {
    EXPECT_FALSE(image.LoadFromStream(testimg::StreamOf(bad)));
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(image.GetWidth(), 0);
  }
  EXPECT_EQ(GetObjectType(before), 0u);
  EXPECT_FALSE(image.LoadFromStream(nullptr));
}

TEST(DibImage, HoldersAreCountedAndTheLastOneStopsGdiplus) {
  const long base = CDibImage::HolderCount();
  ASSERT_EQ(base, 0) << "a holder outlived an earlier test";
  EXPECT_FALSE(CGdiplusSession::IsStarted());
  {
    CDibImage a;
    EXPECT_EQ(CDibImage::HolderCount(), 1);
    EXPECT_FALSE(CGdiplusSession::IsStarted());  // started by the first decode, not before
    ASSERT_TRUE(a.LoadFromStream(testimg::StreamOf(testimg::Bmp24(2, 2, 0x123456))));
    EXPECT_TRUE(CGdiplusSession::IsStarted());
    {
      CDibImage b;
      EXPECT_EQ(CDibImage::HolderCount(), 2);
    }
    EXPECT_TRUE(CGdiplusSession::IsStarted());  // one holder is left
  }
  EXPECT_EQ(CDibImage::HolderCount(), 0);
  EXPECT_FALSE(CGdiplusSession::IsStarted());
  CDibImage again;  // a later decode starts it again
  EXPECT_TRUE(again.LoadFromStream(testimg::StreamOf(testimg::Bmp24(2, 2, 0x123456))));
  EXPECT_TRUE(CGdiplusSession::IsStarted());
}

}  // namespace
