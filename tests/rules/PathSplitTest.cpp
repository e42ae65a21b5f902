// Splitting stored names into file-name part and extension.
#include <gtest/gtest.h>

#include <string>

#include "rules/PathSplit.h"

using namespace sorv::rules;

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
