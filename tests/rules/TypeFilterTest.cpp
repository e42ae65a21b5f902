// Which entries the type filter lists, and the count texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/PathSplit.h"
#include "rules/TypeFilter.h"

using namespace sorv::rules;

TEST(TypeFilter, ChoicesInListOrder) {
  EXPECT_EQ(std::u16string(FilterText(0)), u"过滤:所有文件(*.*)");
  EXPECT_EQ(std::u16string(FilterText(2)), u"过滤:PNG图片(*.png;)");
  EXPECT_EQ(std::u16string(FilterText(9)), u"过滤:LUA文件(*.lua)");
  EXPECT_EQ(FilterText(-1), nullptr);
  EXPECT_EQ(FilterText(10), nullptr);
  EXPECT_EQ(FilterPattern(0), nullptr);
  EXPECT_EQ(std::u16string(FilterPattern(1)), u"*.png;*.jpg;*.bmp;*.ico;*.gft");
  EXPECT_EQ(std::u16string(FilterPattern(3)), u"*.jpg;");
  EXPECT_EQ(FilterPattern(10), nullptr);
}

TEST(TypeFilter, WholeExtensionIgnoringCase) {
  struct Case {
    const char16_t* ext;
    int index;
    bool listed;
  };
  const Case cases[] = {
      {u".png", 2, true},      {u".PNG", 2, true},      {u".Png", 2, true},
      {u".PN", 2, false},      {u".P", 2, false},       {u".", 2, false},
      {u".pngx", 2, false},    {u"png", 2, false},      {u"", 2, false},
      {u".png;*.jpg", 1, false},                        // a stored text that spans two patterns
      {u".jpg", 1, true},      {u".GFT", 1, true},      {u".ico", 1, true},
      {u".xml", 1, false},     {u".jpeg", 3, false},    {u".JPG", 3, true},
      {u".bmp", 4, true},      {u".gft", 5, true},      {u".Ico", 6, true},
      {u".XmL", 7, true},      {u".gmd", 8, true},      {u".lua", 9, true},
      {u".lua", 8, false},     {u".png", 9, false},
      {u".\uFF30\uFF2E\uFF27", 2, false},  // full-width letters are not folded
      {u".\u0131co", 6, false},            // nor is a dotless i
      // Choice 0, no selection and unknown indexes list everything, even no extension.
      {u"", 0, true},          {u".anything", 0, true}, {u"", -1, true},
      {u".x", 10, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsListed(c.index, c.ext), c.listed) << "case " << (&c - cases);
  }
  EXPECT_TRUE(ExtensionMatches(u".png", u"*.PNG;"));
  EXPECT_FALSE(ExtensionMatches(u".png", u"png"));
}

TEST(TypeFilter, CountsFollowTheStoredNames) {
  const std::vector<std::u16string> names = {
      u"Skin\\Main\\Logo.PNG", u"Skin\\Main\\Logo.png", u"ui\\main.xml",
      u"README",               u"icons\\app.Ico",       u"Skin\\back.PN",
  };
  const size_t expected[kFilterCount] = {6, 3, 2, 0, 0, 0, 1, 1, 0, 0};
  for (int index = 0; index < kFilterCount; ++index) {
    size_t listed = 0;
    for (const std::u16string& name : names) listed += IsListed(index, SplitName(name).ext) ? 1 : 0;
    EXPECT_EQ(listed, expected[index]) << "filter " << index;
  }
}

TEST(TypeFilter, StatusTexts) {
  EXPECT_EQ(CountStatusText(0, 3, 3), u"共有文件:3");
  EXPECT_EQ(CountStatusText(2, 3, 1), u"共有文件:3 过滤后:1");
  EXPECT_EQ(CountStatusText(9, 3, 0), u"共有文件:3 过滤后:0");
  EXPECT_EQ(CountStatusText(-1, 1000000, 1000000), u"共有文件:1000000 过滤后:1000000");
}
