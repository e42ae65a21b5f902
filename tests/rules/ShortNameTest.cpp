// Which names look like short (8.3) aliases.
#include <gtest/gtest.h>

#include "rules/ShortName.h"

using sorv::rules::HasShortNameShape;
using sorv::rules::LooksLikeShortName;

TEST(ShortName, ShapeAndDigit) {
  struct Case {
    const char16_t* name;
    bool shape, alias;
  } cases[] = {
      {u"LONGDI~1", true, true},       {u"LONGFI~1.TXT", true, true}, {u"LONG~TX4", true, true},
      {u"LONG~LMQ.TXT", true, false},  // the shape, but no digit
      {u"a~1.b", true, true},          {u"~1", true, true},
      {u"LONGDIR~1", false, false},    // nine before the dot
      {u"LONGDI~1.HTML", false, false},  {u"A~1.B.C", false, false},   {u"A B~1", false, false},
      {u"longdirectoryname", false, false}, {u"a.txt", false, false}, {u"NO~", true, false},
      {u"X.~1", false, false},         // the "~" is in the extension
      {u"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasShortNameShape(c.name), c.shape) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    EXPECT_EQ(LooksLikeShortName(c.name), c.alias) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
  }
}
