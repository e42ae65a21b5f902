// Name patterns (rdbtool's --match and the window's find) and the find's name query.
#include <gtest/gtest.h>

#include <string>

#include "rules/Glob.h"
#include "rules/NameQuery.h"

using sorv::rules::GlobMatch;
using sorv::rules::NameQuery;

TEST(Glob, MatchesWholeNamesWithSeparatorsAndCaseFolded) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool match;
  };
  const Case cases[] = {
      {u"*.png", u"ui\\btn\\ok.png", true},   // "*" crosses separators
      {u"*.png", u"ok.png.bak", false},
      {u"*.PNG", u"a.png", true},              // ASCII case folded
      {u"ui/*", u"UI\\x", true},               // "/" and "\" are one separator
      {u"ui\\?.png", u"ui/a.png", true},
      {u"ui\\?.png", u"ui/ab.png", false},
      {u"?", u"\U0001F600", true},             // a surrogate pair is one character
      {u"??", u"\U0001F600", false},
      {u"[a-c]*", u"b.txt", true},
      {u"[!a-c]*", u"b.txt", false},
      {u"[^a-c]*", u"d.txt", true},
      {u"[]]", u"]", true},                     // "]" first in a set is a member
      {u"[ab", u"[ab", true},                   // unclosed set: a literal "["
      {u"a*b*c", u"aXbYc", true},
      {u"a*b*c", u"aXbY", false},
      {u"", u"", true},
      {u"*", u"", true},
      {u"x", u"", false},
      {u"界面*", u"界面\\按钮.xml", true},
      {u"ı*", u"i.png", false},                 // no folding beyond ASCII
  };
  for (const Case& c : cases) EXPECT_EQ(GlobMatch(c.pattern, c.name), c.match) << "case " << (&c - cases);
}

TEST(Glob, ManyStarsAgainstALongNameStayFast) {
  // Back-tracking to one star keeps this linear-ish; a recursive matcher would not end.
  const std::u16string name(20000, u'a');
  EXPECT_FALSE(GlobMatch(u"*a*a*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(GlobMatch(u"*a*a*a*a*a*a*a*a*a*a", name));
}

TEST(Glob, MatchCaseComparesLettersAsTheyAre) {
  EXPECT_FALSE(GlobMatch(u"*.PNG", u"a.png", true));
  EXPECT_TRUE(GlobMatch(u"*.png", u"ui\\a.png", true));
  EXPECT_TRUE(GlobMatch(u"ui/*.png", u"ui\\a.png", true));  // separators still alike
  EXPECT_FALSE(GlobMatch(u"[A-C]*", u"b.txt", true));
  EXPECT_TRUE(GlobMatch(u"[a-c]*", u"b.txt", true));
}

TEST(NameQuery, FindsAPartOrMatchesAPattern) {
  struct Case {
    const char16_t* text;
    bool matchCase;
    const char16_t* name;
    bool match;
  };
  const Case cases[] = {
      {u"logo", false, u"skin\\Logo.png", true},        // a part, in any ASCII case
      {u"logo", true, u"skin\\Logo.png", false},        // ... unless the case must match
      {u"Logo", true, u"skin\\Logo.png", true},
      {u"skin/logo", false, u"skin\\logo.png", true},   // "/" finds "\\"
      {u"skin\\logo", false, u"skin/logo.png", true},
      {u"png", false, u"skin\\logo.pn", false},         // the whole text must be there
      {u"g.png", false, u"g.pngg.pn", true},
      {u"aab", false, u"aaab", true},                   // a near miss before the match
      {u"b", false, u"", false},
      {u"", false, u"anything", false},                  // nothing asked, nothing found
      {u"界面", false, u"ui\\界面\\a.xml", true},
      {u"*.xml", false, u"ui\\界面\\a.XML", true},       // a pattern: the whole name
      {u"*.xml", true, u"ui\\a.XML", false},
      {u"a.xml", false, u"ui\\a.xml.bak", true},        // a part, not the whole name
      {u"*a.xml", false, u"ui\\a.xml.bak", false},
      {u"ui/?.xml", false, u"UI\\b.xml", true},
      {u"[ab].xml", false, u"x\\[ab].xml", true},        // no "*" or "?": the text as it is
  };
  for (const Case& c : cases)
    EXPECT_EQ(NameQuery(c.text, c.matchCase).Matches(c.name), c.match) << "case " << (&c - cases);
  EXPECT_TRUE(NameQuery(u"a*", false).IsPattern());
  EXPECT_FALSE(NameQuery(u"a[b]", false).IsPattern());
}
