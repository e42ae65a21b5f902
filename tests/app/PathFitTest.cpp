// Shortening a folder path to a width, measured by a fake that counts units.
#include <gtest/gtest.h>

#include <string>

#include "app/PathFit.h"

using namespace sorv::app;

namespace {

int UnitWidth(const std::u16string& s) { return static_cast<int>(s.size()); }

// CJK characters twice as wide as the rest, as on screen.
int CjkDouble(const std::u16string& s) {
  int w = 0;
  for (char16_t c : s) w += c >= 0x2E80 ? 2 : 1;
  return w;
}

struct Fit {
  std::u16string text;
  bool shortened;
};

Fit Shorten(std::u16string text, int width, const TextMeasure& measure = UnitWidth) {
  const bool shortened = FitPathToWidth(text, width, measure);
  return {text, shortened};
}

}  // namespace

TEST(PathFit, ThirtyUnitPathIntoTwenty) {
  // 22 units of front, then a "\" and a seven-letter folder name: 30 units.
  const std::u16string path = u"D:\\Program Data\\Skins1\\Exports";
  ASSERT_EQ(path.size(), 30u);
  const Fit f = Shorten(path, 20);
  EXPECT_TRUE(f.shortened);
  EXPECT_EQ(f.text, u"D:\\Progr...\\Exports");
  EXPECT_EQ(f.text.size(), 19u);
}

TEST(PathFit, Cases) {
  struct Case {
    std::u16string text;
    int width;
    std::u16string result;
    bool shortened;
  };
  const Case cases[] = {
      {u"C:\\a\\b", 6, u"C:\\a\\b", false},          // fits exactly
      {u"C:\\a\\b", 100, u"C:\\a\\b", false},
      {u"", 0, u"", false},
      {u"abcdefghij", 8, u"abcd...", true},           // no "\": front part and "..." only
      {u"\\abcdefghij", 8, u"\\abc...", true},        // a "\" in front is never the tail
      {u"abcdef\\xyz", 9, u"a...\\xyz", true},        // the shortest front part there is
      {u"abcdef\\xyz", 8, u"", false},                // only one unit would pass: nothing
      {u"C:\\averyveryverylongname", 10, u"", false},  // the tail alone is too wide
      {u"abcdef\\xyz", -1, u"", false},
  };
  for (const Case& c : cases) {
    const Fit f = Shorten(c.text, c.width);
    EXPECT_EQ(f.text, c.result) << "case " << (&c - cases);
    EXPECT_EQ(f.shortened, c.shortened) << "case " << (&c - cases);
  }
}

TEST(PathFit, UsesTheMeasureNotTheLength) {
  // 10 units, 16 wide: "D:\" + four CJK + "\" + two CJK.
  const std::u16string path = u"D:\\界面资源\\按钮";
  Fit f = Shorten(path, 16, CjkDouble);
  EXPECT_FALSE(f.shortened);
  EXPECT_EQ(f.text, path);
  f = Shorten(path, 15, CjkDouble);  // "..." 3 + tail 5: front parts up to 7 pass ("D:\界面"), one less kept
  EXPECT_TRUE(f.shortened);
  EXPECT_EQ(f.text, u"D:\\界...\\按钮");
  EXPECT_LE(CjkDouble(f.text), 15);
}

TEST(PathFit, NoMeasureLeavesTheText) {
  std::u16string text = u"C:\\some\\long\\path";
  EXPECT_FALSE(FitPathToWidth(text, 1, TextMeasure()));
  EXPECT_EQ(text, u"C:\\some\\long\\path");
}

TEST(PathFit, FrontPartNeverEndsInsideASurrogatePair) {
  // "ab", U+1F600 (2 units), "cdefgh", "\tail": the kept front part would end on the high half.
  const std::u16string path = u"ab\U0001F600cdefgh\\tail";
  const Fit f = Shorten(path, 12);  // "..." + "\tail" = 8, front parts up to 4 units pass, 3 kept
  EXPECT_TRUE(f.shortened);
  EXPECT_EQ(f.text, u"ab...\\tail");
}
