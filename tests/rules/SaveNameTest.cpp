// The save dialog's proposed file name.
#include <gtest/gtest.h>

#include <string>

#include "rules/SaveName.h"

using sorv::rules::MakeSaveName;

TEST(SaveName, FileNamePartAndExtensionCutAtQuestionMark) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"Skin\\Logo.png?v=2", u"Logo.png"},
      {u"Skin\\Main\\Logo.PNG", u"Logo.PNG"},
      {u"C:\\dir/x.lua", u"x.lua"},
      {u"readme", u"readme"},
      {u"x.png?", u"x.png"},
      {u"x.?png", u"x."},
      {u"a.png?b?c", u"a.png"},
      {u"a\\b?c", u"b?c"},  // only the extension is cut; this "?" is in the file-name part
      {u"dir\\", u""},
      {u"", u""},
      {u"界面\\按钮.xml", u"按钮.xml"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeSaveName(c.first), c.second) << "case " << (&c - cases);
  }
}

TEST(SaveName, LongNamesKeepTheirRoomLimits) {
  const std::u16string name = u"d\\" + std::u16string(400, u'a') + u".png?" + std::u16string(400, u'q');
  EXPECT_EQ(MakeSaveName(name), std::u16string(255, u'a') + u".png");
  // The "?" lies past the extension's 255 units: nothing is cut, the room limit applies.
  const std::u16string longExt = u"." + std::u16string(300, u'e') + u"?";
  EXPECT_EQ(MakeSaveName(u"x" + longExt), u"x" + longExt.substr(0, 255));
}
