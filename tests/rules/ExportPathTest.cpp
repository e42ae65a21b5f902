// Export target paths, the names that must never be written, and the final message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/ExportPath.h"

using namespace sorv::rules;

namespace {
const std::u16string kFolder = u"D:\\out\\";
}

TEST(ExportPath, NamesBecomePathsBelowTheFolder) {
  ExportTarget t = MakeExportTarget(kFolder, u"a\\b\\c.png");
  ASSERT_TRUE(t.Allowed());
  EXPECT_EQ(t.path, u"D:\\out\\a\\b\\c.png");
  EXPECT_EQ(t.components, (std::vector<std::u16string>{u"a", u"b", u"c.png"}));

  // "/" separates directories like "\".
  t = MakeExportTarget(kFolder, u"a/b\\c.png");
  ASSERT_TRUE(t.Allowed());
  EXPECT_EQ(t.path, u"D:\\out\\a\\b\\c.png");

  t = MakeExportTarget(kFolder, u"x.png");
  ASSERT_TRUE(t.Allowed());
  EXPECT_EQ(t.path, u"D:\\out\\x.png");

  // A drive root as the folder: nothing above the folder is ever to be made.
  t = MakeExportTarget(u"E:\\", u"x.png");
  ASSERT_TRUE(t.Allowed());
  EXPECT_EQ(t.path, u"E:\\x.png");

  // A folder without its final "\" still gets one between folder and name.
  t = MakeExportTarget(u"D:\\out", u"界面\\按钮.xml");
  ASSERT_TRUE(t.Allowed());
  EXPECT_EQ(t.path, u"D:\\out\\界面\\按钮.xml");

  EXPECT_EQ(MakeExportTarget(u"", u"x.png").refusal, ExportRefusal::kNoFolder);
}

TEST(ExportPath, OrdinaryNamesThatLookSuspiciousAreAllowed) {
  const char16_t* names[] = {
      u"CONSOLE.png", u"COM10",  u"LPT",      u"com",        u"icon.con", u"xCON",
      u".hidden",     u"a..b\\c", u"..x\\y",  u"dir.d\\x",   u"a b\\c d.png", u"NULL.txt",
  };
  for (const char16_t* name : names) {
    const ExportTarget t = MakeExportTarget(kFolder, name);
    EXPECT_TRUE(t.Allowed()) << "name index " << (&name - names);
    EXPECT_EQ(t.path, kFolder + name);
  }
}

TEST(ExportPath, HostileNamesAreRefused) {
  struct Case {
    std::u16string name;
    ExportRefusal refusal;
  };
  const Case cases[] = {
      {u"..\\x", ExportRefusal::kDotComponent},
      {u"C:\\x", ExportRefusal::kColon},
      {u"a:b", ExportRefusal::kColon},
      {u"x.png:stream", ExportRefusal::kColon},
      {u"CON.png", ExportRefusal::kReservedName},
      {u"a\\..\\..\\x", ExportRefusal::kDotComponent},
      {u"a/../../x", ExportRefusal::kDotComponent},
      {u"..", ExportRefusal::kDotComponent},
      {u".\\x", ExportRefusal::kDotComponent},
      {u"x\\.\\y", ExportRefusal::kDotComponent},
      {u"", ExportRefusal::kEmptyComponent},
      {u"\\x", ExportRefusal::kEmptyComponent},
      {u"/x", ExportRefusal::kEmptyComponent},
      {u"\\\\server\\share\\x", ExportRefusal::kEmptyComponent},
      {u"a\\\\b", ExportRefusal::kEmptyComponent},
      {u"a\\", ExportRefusal::kEmptyComponent},
      {u"a\\b\x01" u"c", ExportRefusal::kControlCharacter},
      {u"tab\there", ExportRefusal::kControlCharacter},
      {std::u16string(u"nul\0in", 6), ExportRefusal::kControlCharacter},
      {u"del\x7F", ExportRefusal::kControlCharacter},
      {u"Skin\\Logo.png?v=2", ExportRefusal::kInvalidCharacter},
      {u"a*b", ExportRefusal::kInvalidCharacter},
      {u"<x>", ExportRefusal::kInvalidCharacter},
      {u"a|b", ExportRefusal::kInvalidCharacter},
      {u"\"q\"", ExportRefusal::kInvalidCharacter},
      {u"name.", ExportRefusal::kTrailingDotOrSpace},
      {u"...", ExportRefusal::kTrailingDotOrSpace},
      {u".. \\x", ExportRefusal::kTrailingDotOrSpace},
      {u"dir \\x", ExportRefusal::kTrailingDotOrSpace},
      {u"nul", ExportRefusal::kReservedName},
      {u"Aux.tar.gz", ExportRefusal::kReservedName},
      {u"prn", ExportRefusal::kReservedName},
      {u"lpt9.txt", ExportRefusal::kReservedName},
      {u"COM1", ExportRefusal::kReservedName},
      {u"com0.x", ExportRefusal::kReservedName},
      {u"COM\u00B9.png", ExportRefusal::kReservedName},
      {u"CON .png", ExportRefusal::kReservedName},
      {u"conin$", ExportRefusal::kReservedName},
      {u"dir\\PRN\\x.png", ExportRefusal::kReservedName},
  };
  for (const Case& c : cases) {
    const ExportTarget t = MakeExportTarget(kFolder, c.name);
    EXPECT_EQ(static_cast<int>(t.refusal), static_cast<int>(c.refusal)) << "case " << (&c - cases);
    EXPECT_TRUE(t.path.empty());
    EXPECT_TRUE(t.components.empty());
  }
}

TEST(ExportPath, EveryAllowedPathStaysInsideTheFolder) {
  // Names built from pieces that are harmless alone: whatever is allowed must resolve,
  // by lexical "." and ".." handling, to a place strictly below the folder.
  const std::u16string pieces[] = {u"a", u"..", u".", u"", u"b.png", u"c..", u" ", u"x:"};
  const std::u16string seps[] = {u"\\", u"/"};
  size_t allowed = 0;
  for (const auto& p1 : pieces)
    for (const auto& s1 : seps)
      for (const auto& p2 : pieces)
        for (const auto& s2 : seps)
          for (const auto& p3 : pieces) {
            const ExportTarget t = MakeExportTarget(kFolder, p1 + s1 + p2 + s2 + p3);
            if (!t.Allowed()) continue;
            ++allowed;
            ASSERT_EQ(t.path.compare(0, kFolder.size(), kFolder), 0);
            const std::u16string rest = t.path.substr(kFolder.size());
            int depth = 0;
            size_t start = 0;
            for (size_t i = 0; i <= rest.size(); ++i) {
              if (i < rest.size() && rest[i] != u'\\') continue;
              const std::u16string part = rest.substr(start, i - start);
              start = i + 1;
              ASSERT_FALSE(part.empty());
              ASSERT_EQ(part.find(u'/'), std::u16string::npos);
              depth += part == u".." ? -1 : part == u"." ? 0 : 1;
              ASSERT_GT(depth, 0) << "climbs out of the folder";
            }
          }
  EXPECT_GT(allowed, 0u);
}

TEST(ExportPath, HostileEntriesAreSkippedAndCounted) {
  const std::u16string names[] = {u"ok\\a.png", u"..\\x", u"C:\\x", u"a:b", u"CON.png",
                                  u"a\\..\\..\\x", u"ok/b.png"};
  std::vector<std::u16string> written;
  size_t skipped = 0;
  for (const std::u16string& name : names) {
    const ExportTarget t = MakeExportTarget(kFolder, name);
    if (t.Allowed()) written.push_back(t.path);
    else ++skipped;
  }
  EXPECT_EQ(written, (std::vector<std::u16string>{u"D:\\out\\ok\\a.png", u"D:\\out\\ok\\b.png"}));
  EXPECT_EQ(ExportDoneMessage(skipped), u"导出文件完成!\r\n\r\n失败: 5");
}

TEST(ExportPath, FinalMessageReportsWhatWasNotExported) {
  EXPECT_EQ(ExportDoneMessage(0), u"导出文件完成!");
  EXPECT_EQ(ExportDoneMessage(3), u"导出文件完成!\r\n\r\n失败: 3");
  EXPECT_EQ(ExportDoneMessage(12345), u"导出文件完成!\r\n\r\n失败: 12345");
}
