// Splitting stored names into file-name part and extension, and filling RESITEM fields.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PathSplit.h"
#include "WideText.h"

using namespace sorv::app;

TEST(PathSplit, SplitsLikeThePlatform) {
  struct Case {
    std::u16string path, drive, dir, fname, ext;
  };
  const Case cases[] = {
      {u"Skin\\Main\\Logo.PNG", u"", u"Skin\\Main\\", u"Logo", u".PNG"},
      {u"Logo", u"", u"", u"Logo", u""},
      {u"a/b.c/d", u"", u"a/b.c/", u"d", u""},          // a dot in a directory is no extension
      {u"a\\b/c.png", u"", u"a\\b/", u"c", u".png"},     // the last separator of either kind
      {u"C:x.png", u"C:", u"", u"x", u".png"},
      {u"C:\\x\\y.tar.gz", u"C:", u"\\x\\", u"y.tar", u".gz"},
      {u".hidden", u"", u"", u"", u".hidden"},
      {u"a.", u"", u"", u"a", u"."},
      {u"..", u"", u"", u".", u"."},
      {u"dir\\", u"", u"dir\\", u"", u""},
      {u"", u"", u"", u"", u""},
      {u"x:", u"x:", u"", u"", u""},
      {u":", u"", u"", u":", u""},
      {u"Skin\\Logo.png?v=2", u"", u"Skin\\", u"Logo", u".png?v=2"},
      {u"界面\\按钮.xml", u"", u"界面\\", u"按钮", u".xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    const PathParts p = SplitPath(c.path);
    EXPECT_EQ(p.drive, c.drive);
    EXPECT_EQ(p.dir, c.dir);
    EXPECT_EQ(p.fname, c.fname);
    EXPECT_EQ(p.ext, c.ext);
    EXPECT_EQ(p.drive + p.dir + p.fname + p.ext, c.path);
  }
}

TEST(PathSplit, LongPartsAreCutToTheirRoom) {
  const std::u16string longName(300, u'a');
  const std::u16string longExt = u"." + std::u16string(300, u'e');

  NameParts parts = SplitName(u"dir\\" + longName + u".png");
  EXPECT_EQ(parts.fname, std::u16string(255, u'a'));
  EXPECT_EQ(parts.ext, u".png");

  parts = SplitName(u"x" + longExt);
  EXPECT_EQ(parts.fname, u"x");
  EXPECT_EQ(parts.ext, longExt.substr(0, 255));

  // 254 units and then a surrogate pair: the pair does not fit whole, so it goes.
  parts = SplitName(std::u16string(254, u'a') + u"\U0001F600" + u".png");
  EXPECT_EQ(parts.fname, std::u16string(254, u'a'));

  parts = SplitName(std::u16string(253, u'a') + u"\U0001F600" + u".png");
  EXPECT_EQ(parts.fname.size(), 255u);
}

namespace {

std::u16string Field(const wchar_t* field, size_t room) {
  size_t n = 0;
  while (n < room && field[n]) ++n;
  EXPECT_LT(n, room) << "field not terminated inside its room";
  return ToU16(field, n);
}

}  // namespace

TEST(PathSplit, FillItemNamesShowsFileNameAndExtension) {
  RESITEM item;
  std::memset(&item, 0, sizeof item);
  FillItemNames(item, u"Skin\\Main\\Logo.PNG");
  EXPECT_EQ(Field(item.szName, 260), u"Logo.PNG");
  EXPECT_EQ(Field(item.szFName, 260), u"Logo");
  EXPECT_EQ(Field(item.szExt, 256), u".PNG");

  FillItemNames(item, u"readme");
  EXPECT_EQ(Field(item.szName, 260), u"readme");
  EXPECT_EQ(Field(item.szExt, 256), u"");
}

TEST(PathSplit, FillItemNamesNeverWritesPastAField) {
  // 255 + 255 units would need 511 units in the 260-unit display name.
  const std::u16string name = u"d\\" + std::u16string(300, u'n') + u"." + std::u16string(300, u'x');
  RESITEM item;
  std::memset(&item, 0x5A, sizeof item);
  RESENTRY entry{};
  item.pEntry = &entry;
  FillItemNames(item, name);

  const std::u16string fname(255, u'n');
  const std::u16string ext = u"." + std::u16string(254, u'x');
  EXPECT_EQ(Field(item.szFName, 260), fname);
  EXPECT_EQ(Field(item.szExt, 256), ext);
  EXPECT_EQ(Field(item.szName, 260), (fname + ext).substr(0, 259));
  EXPECT_EQ(item.pEntry, &entry);
}
