// The export plan: one target per file as the file system compares names, the first entry
// in index order winning; folders numbered once; lengths the platform cannot take refused
// before anything else is done with the name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/ExportPlan.h"

using namespace sorv::rules;

namespace {

const std::u16string kFolder = u"D:\\out\\";

// A stand-in for a case-blind file system: ASCII, fullwidth Latin and Greek sigma.
void TestFold(char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    char16_t& c = units[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    else if (c >= u'\uFF41' && c <= u'\uFF5A') c = static_cast<char16_t>(c - 32);
    else if (c == u'\u03C3' || c == u'\u03C2') c = u'\u03A3';
  }
}

struct In {
  std::u16string name;
  std::u16string ext;  // a wrapped entry's appended extension
};

// Plans `entries` and gives each one's refusal (kNone when it gets its target).
std::vector<ExportRefusal> Plan(const std::vector<In>& entries, FileNameFold fold,
                                ExportLimits limits = WindowsExportLimits(), bool reserve = false) {
  ExportPlan plan(kFolder, limits, fold);
  if (reserve) plan.Reserve(entries.size());
  for (const In& e : entries) plan.Add(e.name, e.ext);
  std::vector<ExportRefusal> out;
  for (size_t i = 0; i < plan.Size(); ++i) out.push_back(plan.Refusal(i));
  return out;
}

constexpr ExportRefusal kOk = ExportRefusal::kNone;
constexpr ExportRefusal kDup = ExportRefusal::kDuplicate;
constexpr ExportRefusal kClash = ExportRefusal::kNameClash;

}  // namespace

TEST(ExportPlan, ASecondEntryForTheSameFileIsADuplicate) {
  struct Case {
    const char* what;
    std::vector<In> entries;
    std::vector<ExportRefusal> exact;  // names compared exactly (host file systems)
    std::vector<ExportRefusal> blind;  // compared case-blind (Windows)
  };
  const Case cases[] = {
      {"same name twice", {{u"a.txt"}, {u"a.txt"}}, {kOk, kDup}, {kOk, kDup}},
      {"either separator", {{u"a/b.txt"}, {u"a\\b.txt"}}, {kOk, kDup}, {kOk, kDup}},
      {"wrapped first", {{u"pic", u".png"}, {u"pic.png"}}, {kOk, kDup}, {kOk, kDup}},
      {"wrapped second", {{u"pic.png"}, {u"pic", u".png"}}, {kOk, kDup}, {kOk, kDup}},
      {"wrapped both", {{u"x.gft", u".png"}, {u"x.gft", u".jpg"}, {u"X.GFT", u".png"}},
       {kOk, kOk, kOk}, {kOk, kOk, kDup}},
      {"ASCII case", {{u"Case.txt"}, {u"case.txt"}}, {kOk, kOk}, {kOk, kDup}},
      {"case of a folder", {{u"D\\x"}, {u"d\\x"}, {u"d\\y"}}, {kOk, kOk, kOk}, {kOk, kDup, kOk}},
      {"fullwidth", {{u"\uFF21"}, {u"\uFF41"}}, {kOk, kOk}, {kOk, kDup}},
      {"sigma", {{u"\u03A3"}, {u"\u03C3"}}, {kOk, kOk}, {kOk, kDup}},
      {"different names", {{u"a\\b"}, {u"a\\c"}, {u"b\\b"}, {u"b"}}, {kOk, kOk, kOk, kClash}, {kOk, kOk, kOk, kClash}},
      // A file where a later entry needs a folder, and the other way round.
      {"file then folder", {{u"a"}, {u"a\\b.txt"}, {u"a/c/d"}}, {kOk, kClash, kClash}, {kOk, kClash, kClash}},
      {"folder then file", {{u"a\\b.txt"}, {u"A"}, {u"a"}}, {kOk, kOk, kClash}, {kOk, kClash, kClash}},
      // Refused names take nothing: a later entry of the same target gets it.
      {"refused first", {{u"a\\..\\b"}, {u"CON"}, {u"b"}}, {ExportRefusal::kDotComponent, ExportRefusal::kReservedName, kOk},
       {ExportRefusal::kDotComponent, ExportRefusal::kReservedName, kOk}},
      // Entries of one folder in a row, where the last entry's folders are taken as found.
      {"one folder in a row", {{u"d\\a"}, {u"d\\b"}, {u"d/a"}, {u"d\\A"}, {u"d\\p", u".png"}, {u"d\\p.png"}},
       {kOk, kOk, kDup, kOk, kOk, kDup}, {kOk, kOk, kDup, kDup, kOk, kDup}},
      {"deeper below the last folder", {{u"d\\a"}, {u"d\\a\\x"}, {u"d\\e\\x"}, {u"d\\e\\x"}, {u"d\\e"}},
       {kOk, kClash, kOk, kDup, kClash}, {kOk, kClash, kOk, kDup, kClash}},
      {"the last folder's text inside a longer part", {{u"d\\a"}, {u"dd\\a"}, {u"d\\a"}}, {kOk, kOk, kDup}, {kOk, kOk, kDup}},
      {"a refused entry between", {{u"d\\a"}, {u"d\\CON"}, {u"d\\..\\a"}, {u"d\\b"}, {u"d\\a"}},
       {kOk, ExportRefusal::kReservedName, ExportRefusal::kDotComponent, kOk, kDup},
       {kOk, ExportRefusal::kReservedName, ExportRefusal::kDotComponent, kOk, kDup}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Plan(c.entries, nullptr), c.exact) << c.what << " (exact)";
    EXPECT_EQ(Plan(c.entries, &TestFold), c.blind) << c.what << " (case-blind)";
    EXPECT_EQ(Plan(c.entries, &TestFold, WindowsExportLimits(), true), c.blind) << c.what << " (reserved)";
  }
}

TEST(ExportPlan, TheEarlierEntryIsNamedAndFoldersAreNumberedOnce) {
  ExportPlan plan(kFolder, WindowsExportLimits(), &TestFold);
  for (const char16_t* name : {u"a\\x.png", u"b\\c\\y.png", u"A\\z.png", u"top.png", u"a\\X.PNG", u"B\\C"})
    plan.Add(name, u"");
  ASSERT_EQ(plan.Size(), 6u);
  EXPECT_EQ(plan.AllowedCount(), 4u);
  EXPECT_EQ(plan.Refusal(4), ExportRefusal::kDuplicate);
  EXPECT_EQ(plan.EarlierEntry(4), 0u);
  EXPECT_EQ(plan.Refusal(5), ExportRefusal::kNameClash);
  EXPECT_EQ(plan.EarlierEntry(5), 1u);

  EXPECT_EQ(plan.Folder(0), plan.Folder(2));  // a and A: one folder
  EXPECT_EQ(plan.Folder(3), 0u);              // the chosen folder itself
  EXPECT_EQ(plan.FolderCount(), 4u);          // the chosen folder, a, b, b\c
  const uint32_t bc = plan.Folder(1);
  EXPECT_EQ(plan.Depth(bc), 2u);
  EXPECT_EQ(plan.Depth(plan.Parent(bc)), 1u);
  EXPECT_EQ(plan.Parent(plan.Parent(bc)), 0u);

  EXPECT_EQ(plan.TargetPath(1), u"D:\\out\\b\\c\\y.png");
  EXPECT_EQ(plan.Components(1), (std::vector<std::u16string>{u"b", u"c", u"y.png"}));
  EXPECT_EQ(plan.FolderName(bc), u"c");
  EXPECT_EQ(plan.FolderName(plan.Folder(2)), u"a");  // as the first entry spells it
  EXPECT_EQ(plan.FileName(2), u"z.png");
  ExportPlan host(u"", HostExportLimits(), nullptr, u'/');
  host.Add(u"dir\\pic", u".png");
  EXPECT_EQ(host.TargetPath(0), u"dir/pic.png");
  EXPECT_EQ(host.Components(0), (std::vector<std::u16string>{u"dir", u"pic.png"}));
  EXPECT_EQ(host.FileName(0), u"pic");
  EXPECT_EQ(host.Appended(0), u".png");
}

TEST(ExportPlan, UnsafeNamesAreRefusedAsBefore) {
  const char16_t* names[] = {u"..\\x", u"C:\\x", u"a:b", u"CON.png", u"a\\..\\..\\x", u"\\abs", u"x.", u""};
  ExportPlan plan(kFolder, WindowsExportLimits(), &TestFold);
  for (const char16_t* name : names) plan.Add(name, u"");
  for (size_t i = 0; i < plan.Size(); ++i)
    EXPECT_EQ(plan.Refusal(i), MakeExportTarget(kFolder, names[i]).refusal) << i;
  EXPECT_EQ(plan.AllowedCount(), 0u);
  EXPECT_EQ(plan.FolderCount(), 1u);
}

TEST(ExportPlan, LengthsBeyondThePlatformAreRefusedBeforeAnyFolder) {
  // 100,000 folder levels: refused on its length alone, no folder planned.
  std::u16string deep;
  for (int i = 0; i < 100000; ++i) deep += u"a\\";
  deep += u"x.txt";
  for (ExportLimits limits : {WindowsExportLimits(), HostExportLimits()}) {
    ExportPlan plan(kFolder, limits, nullptr);
    plan.Add(deep, u"");
    EXPECT_EQ(plan.Refusal(0), ExportRefusal::kTooLong);
    EXPECT_EQ(plan.FolderCount(), 1u);
  }

  const std::u16string name255(255, u'n'), name256(256, u'n');
  const std::u16string wide85(85, u'\u754C'), wide86(86, u'\u754C');  // 3 UTF-8 bytes each
  struct Case {
    std::u16string name;
    std::u16string ext;
    ExportRefusal windows, host;
  } cases[] = {
      {name255, u"", kOk, kOk},
      {name256, u"", ExportRefusal::kTooLong, ExportRefusal::kTooLong},
      {u"d\\" + name255.substr(4), u".png", kOk, kOk},          // 251 + 4
      {u"d\\" + name255.substr(3), u".png", ExportRefusal::kTooLong, ExportRefusal::kTooLong},
      {wide85, u"", kOk, kOk},                                   // 255 bytes
      {wide86, u"", kOk, ExportRefusal::kTooLong},               // 258 bytes, 86 units
      // A lone surrogate: a Windows name holds it, a UTF-8 host name cannot.
      {u"d\\\xD800x", u"", kOk, ExportRefusal::kUnpairedSurrogate},
      {u"\xDC00", u".png", kOk, ExportRefusal::kUnpairedSurrogate},
      {u"\U0001F600.txt", u"", kOk, kOk},                         // a pair is one character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Plan({{c.name, c.ext}}, nullptr, WindowsExportLimits())[0], c.windows) << (&c - cases);
    EXPECT_EQ(Plan({{c.name, c.ext}}, nullptr, HostExportLimits())[0], c.host) << (&c - cases);
  }

  // The whole path, folder included: 32,767 units on Windows.
  std::u16string levels;
  while (kFolder.size() + levels.size() + 200 + 1 <= 32767) levels += std::u16string(199, u'f') + u"\\";
  const std::u16string fits = levels + std::u16string(32767 - kFolder.size() - levels.size(), u'z');
  EXPECT_EQ(Plan({{fits}}, nullptr)[0], kOk);
  EXPECT_EQ(Plan({{fits + u"z"}}, nullptr)[0], ExportRefusal::kTooLong);
  EXPECT_EQ(Plan({{fits, u".png"}}, nullptr)[0], ExportRefusal::kTooLong);
}

TEST(ExportPlan, ThePlatformComparesNamesAsItsFileSystem) {
#if defined(_WIN32)
  const std::vector<FileNameFold> caseBlind = {PlatformFileNameFold(), CaseBlindFileNameFold()};
#else
  EXPECT_EQ(PlatformFileNameFold(), nullptr);  // byte for byte, unless the disk is case-blind
  const std::vector<FileNameFold> caseBlind = {CaseBlindFileNameFold()};
#endif
  for (const FileNameFold fold : caseBlind) {
    ASSERT_NE(fold, nullptr);
    std::u16string pairs = u"Case.txt\uFF21\u03A3\u00C9\u0414";
    std::u16string lower = u"case.txt\uFF41\u03C3\u00E9\u0434";
    fold(&pairs[0], pairs.size());
    fold(&lower[0], lower.size());
    EXPECT_EQ(pairs, lower);
    // No case; a letter with no single-unit capital; a surrogate pair, left as it is.
    std::u16string different = u"\u754C\u00DF\U00010428";
    const std::u16string before = different;
    fold(&different[0], different.size());
    EXPECT_EQ(different, before);
  }
  // Planned with a case-blind disk's rule, the second name for one file is refused.
  EXPECT_EQ(Plan({{u"Dir\\Case.txt"}, {u"dir\\CASE.TXT"}, {u"dir\\\u00E9.txt"}, {u"DIR\\\u00C9.TXT"}},
                 CaseBlindFileNameFold()),
            (std::vector<ExportRefusal>{ExportRefusal::kNone, ExportRefusal::kDuplicate, ExportRefusal::kNone,
                                        ExportRefusal::kDuplicate}));
}
