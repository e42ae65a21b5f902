// The built rdbtool as a shell user drives it: check and extract agreeing on names, JSON
// that strict readers take, how names select entries, exit codes, packages from a pipe,
// getopt-style options, and extract's subtree, --exclude and --strip-components.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/cli/JsonReader.h"
#include "tests/cli/ToolFixtures.h"

namespace {

// "rdbtool extract: NAME: REASON" lines of extract's standard error, as NAME -> REASON.
std::map<std::string, std::string> RefusalsOf(const std::string& err) {
  std::map<std::string, std::string> refusals;
  const std::string prefix = "rdbtool extract: ";
  for (const std::string& line : Lines(err)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = line.substr(prefix.size());
    const size_t colon = rest.find(": ");
    if (colon == std::string::npos || Contains(rest, "entries not written")) continue;
    refusals[rest.substr(0, colon)] = rest.substr(colon + 2);
  }
  return refusals;
}

}  // namespace

TEST(RdbtoolNames, CheckReportsEveryNameExtractRefusesWithTheSameReason) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"ok.txt", Text("fine"));
#if !defined(_WIN32)
  // Host file names are UTF-8, which cannot carry a lone surrogate; Windows names can.
  w.Add(std::u16string(1, char16_t(0xD800)) + u"x.txt", Text("lone surrogate"));
#endif
  w.Add(u"a", Text("a file"));
  w.Add(u"a\\b.txt", Text("needs a as a folder"));
  w.AddWrapped(u"x.gft", kPng);         // extract writes it as x.gft.png ...
  w.Add(u"x.gft.png", Text("plain"));   // ... so this one finds its file taken
  w.Add(u"..\\up.txt", Text("unsafe"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  const ToolResult extract = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(extract.exitCode, 1) << extract.err;
  const std::map<std::string, std::string> refusals = RefusalsOf(extract.err);
#if !defined(_WIN32)
  EXPECT_EQ(refusals.size(), 4u) << extract.err;
#else
  EXPECT_EQ(refusals.size(), 3u) << extract.err;
#endif
  const ToolResult check = RunRdbtool({"check", pkg});
  EXPECT_EQ(check.exitCode, 1) << check.out;
  for (const auto& refusal : refusals) {
    bool found = false;
    for (const std::string& line : Lines(check.out))
      found = found || (Contains(line, "\"" + refusal.first + "\": ") && Contains(line, refusal.second));
    EXPECT_TRUE(found) << refusal.first << ": " << refusal.second << "\n" << check.out;
  }
}

TEST(RdbtoolNames, JsonListingIsValidForEveryNameAndItsUnitsSelectTheEntry) {
  Sandbox box;
  PackageWriter w;
  const std::u16string lone = std::u16string(u"d\\") + char16_t(0xDC01) + u"x.txt";
  w.Add(u"plain.txt", Text("plain"));
  w.Add(lone, Text("lone"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  const ToolResult r = RunRdbtool({"list", pkg, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  JsonValue list;
  ASSERT_TRUE(ParseJson(r.out, list)) << r.out;  // strict: no lone surrogate escapes
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].Get("stored_units"), nullptr);  // only where the text cannot say it
  const JsonValue& odd = list.items[1];
  EXPECT_EQ(odd.Get("stored_name")->text, u"d\\\uFFFDx.txt");
  const JsonValue* units = odd.Get("stored_units");
  ASSERT_NE(units, nullptr);
  std::u16string back;
  std::string argument;
  for (const JsonValue& u : units->items) {
    back += static_cast<char16_t>(u.number);
    argument += (argument.empty() ? "" : ",") + std::to_string(u.number);
  }
  EXPECT_EQ(back, lone);

  ToolResult cat = RunRdbtool({"cat", pkg, "--units", argument});
  EXPECT_EQ(cat.exitCode, 0) << cat.err;
  EXPECT_EQ(cat.out, "lone");
  cat = RunRdbtool({"extract", pkg, "-O", "--units", argument});
  EXPECT_EQ(cat.exitCode, 0) << cat.err;
  EXPECT_EQ(cat.out, "lone");
  // The replacement character alone names no entry.
  cat = RunRdbtool({"cat", pkg, "d/\xEF\xBF\xBDx.txt"});
  EXPECT_EQ(cat.exitCode, 1);
  EXPECT_EQ(cat.out, "");
  EXPECT_EQ(RunRdbtool({"cat", pkg, "--units", "100,x"}).exitCode, 2);
}

TEST(RdbtoolNames, CatPrefersTheExactNameAndSaysWhenANameSelectsSeveral) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"Case.txt", Text("upper "));
  w.Add(u"case.txt", Text("lower "));
  w.AddWrapped(u"ui\\btn\\ok", kPng);
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  struct Case {
    const char* name;
    std::string out;
    bool several;
  } cases[] = {
      {"case.txt", "lower ", false},
      {"Case.txt", "upper ", false},
      {"CASE.TXT", "upper lower ", true},  // no exact name: the case-blind match, both
      {"ui/btn/ok", std::string(kPng.begin(), kPng.end()), false},
      {"ui/btn/ok.png", std::string(kPng.begin(), kPng.end()), false},  // as extract writes it
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool({"cat", pkg, c.name});
    EXPECT_EQ(r.exitCode, 0) << c.name << r.err;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(Contains(r.err, std::string(c.name) + ": selects 2 entries"), c.several) << c.name << r.err;
  }
  // Several names in one run: each chooses by its own rule, written in the order asked.
  const ToolResult r = RunRdbtool({"cat", pkg, "UI/BTN/OK.PNG", "CASE.TXT", "case.txt", "ui/btn/ok.jpg"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, std::string(kPng.begin(), kPng.end()) + "upper lower lower ");
  EXPECT_TRUE(Contains(r.err, "CASE.TXT: selects 2 entries")) << r.err;
  EXPECT_TRUE(Contains(r.err, "ui/btn/ok.jpg: no such entry")) << r.err;
}

TEST(RdbtoolExitCodes, AgreeWithWhatWasAskedAndWhatHappened) {
  Sandbox box;
  WriteFile(box / "junk.rdb", Bytes(100, 'x'));
  WriteFile(box / "short.rdb", Bytes(10, 'x'));
  PackageWriter w;
  w.Add(u"in.txt", Text("inside"));
  const size_t out = w.Add(u"out.txt", Text("outside"));
  w.At(out).overrideOffset = true;
  w.At(out).offset = 1u << 30;
  const std::string broken = U8(WritePackage(box, "broken.rdb", w));

  for (const char* file : {"junk.rdb", "short.rdb"}) {
    const ToolResult r = RunRdbtool({"check", U8(box / file)});
    EXPECT_EQ(r.exitCode, 2) << file << r.out;
    EXPECT_TRUE(Contains(r.err, "not a package")) << file << r.err;
  }
  for (const char* command : {"list", "info"}) {
    const ToolResult r = RunRdbtool({command, broken});
    EXPECT_EQ(r.exitCode, 1) << command;
    EXPECT_TRUE(Contains(r.err, "1 entry's data lies outside the file")) << command << r.err;
  }
  // An empty folder name is bad usage, not the current folder.
  const std::string name = "rdbtool-empty-folder-" + std::to_string(ProcessId()) + ".txt";
  PackageWriter one;
  one.Add(sorv::pkg::Utf16(name), Text("x"));
  const ToolResult r = RunRdbtool({"extract", U8(WritePackage(box, "one.rdb", one)), "-C", ""});
  const bool leaked = fs::exists(fs::u8path(name));
  if (leaked) fs::remove(fs::u8path(name));
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_FALSE(leaked);
}

#if !defined(_WIN32)
TEST(RdbtoolUpdateInPlace, KeepsOwnerAndMode) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file another owner needs root";
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  ASSERT_EQ(chown(pkg.c_str(), 4242, 4343), 0);
  ASSERT_EQ(chmod(pkg.c_str(), 0640), 0);
  WriteFile(box / "b.txt", Text("b"));
  const ToolResult r = RunRdbtool({"update", U8(pkg), "-o", U8(pkg), "--add", U8(box / "b.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  struct stat st;
  ASSERT_EQ(stat(pkg.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4242u);
  EXPECT_EQ(st.st_gid, 4343u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(RunRdbtool({"cat", U8(pkg), "b.txt"}).out, "b");
}
#endif

TEST(RdbtoolPipe, APackageFromStandardInputWorksAsAFile) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("alpha"));
  w.AddWrapped(u"ui\\ok", kPng);
  const fs::path file = WritePackage(box, "p.rdb", w);
  const Bytes bytes = ReadFile(file);
  const std::string input(bytes.begin(), bytes.end());

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list"}, {"list", "--json"}, {"info"}, {"check"}, {"cat", "_", "a.txt", "ui/ok"}}) {
    std::vector<std::string> fromFile = args, fromPipe = args;
    if (args.size() > 1 && args[1] == "_") {
      fromFile[1] = U8(file);
      fromPipe[1] = "-";
    } else {
      fromFile.insert(fromFile.begin() + 1, U8(file));
      fromPipe.insert(fromPipe.begin() + 1, "-");
    }
    const ToolResult expected = RunRdbtool(fromFile);
    const ToolResult r = RunRdbtoolWithInput(fromPipe, input);
    EXPECT_EQ(r.exitCode, 0) << args[0] << r.err;
    EXPECT_EQ(r.out, expected.out) << args[0];
  }
  ToolResult r = RunRdbtoolWithInput({"extract", "-", "-C", U8(box / "out")}, input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{
                                       {"a.txt", Text("alpha")}, {"ui/", {}}, {"ui/ok.png", kPng}}));

  // pack -o - | list -
  WriteFile(box / "src/x/y.txt", Text("why"));
  const ToolResult packed = RunRdbtool({"pack", U8(box / "src"), "-o", "-"});
  ASSERT_EQ(packed.exitCode, 0) << packed.err;
  r = RunRdbtoolWithInput({"list", "-"}, packed.out);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Listed("3\tnone\tplain\tx\\y.txt") + "\n");

  r = RunRdbtoolWithInput({"list", "-"}, "not a package");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "standard input: not a package")) << r.err;
}

TEST(RdbtoolOptions, ShortOptionsRunTogether) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  ToolResult r = RunRdbtool({"extract", pkg, "-vC", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "a.txt\n");
  r = RunRdbtool({"extract", pkg, "-kv", "-C" + U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "a.txt (kept)\n");
  r = RunRdbtool({"extract", pkg, "-kq"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "unknown option '-q'")) << r.err;
}

TEST(RdbtoolExtract, FolderNamesExclusionsAndStrippedParts) {
  Sandbox box;
  PackageWriter w;
  w.AddWrapped(u"ui\\btn\\ok", kPng);
  w.Add(u"ui\\a.txt", Text("a"));
  w.Add(u"uix.txt", Text("not below ui"));
  w.Add(u"other\\c.txt", Text("c"));
  w.Add(u"top.txt", Text("top"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  using Tree = std::map<std::string, Bytes>;
  const Tree uiTree = {{"ui/", {}}, {"ui/btn/", {}}, {"ui/btn/ok.png", kPng}, {"ui/a.txt", Text("a")}};
  struct Case {
    std::vector<std::string> args;
    Tree tree;
  } cases[] = {
      {{"ui"}, uiTree},
      {{"ui/"}, uiTree},
      {{"UI"}, uiTree},  // no entry below "UI" exactly: case is ignored
      {{"ui/btn/ok.png"}, {{"ui/", {}}, {"ui/btn/", {}}, {"ui/btn/ok.png", kPng}}},
      {{"--exclude", "*/btn/*", "--exclude", "other*"},  // stored names, as --match
       {{"ui/", {}}, {"ui/a.txt", Text("a")}, {"uix.txt", Text("not below ui")}, {"top.txt", Text("top")}}},
      {{"--strip-components", "1"}, {{"btn/", {}}, {"btn/ok.png", kPng}, {"a.txt", Text("a")}, {"c.txt", Text("c")}}},
      {{"ui", "--strip-components=2"}, {{"ok.png", kPng}}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const fs::path out = box / ("out" + std::to_string(n++));
    std::vector<std::string> args = {"extract", pkg, "-C", U8(out)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolResult r = RunRdbtool(args);
    EXPECT_EQ(r.exitCode, 0) << c.args[0] << r.err;
    EXPECT_EQ(ReadTree(out), c.tree) << c.args[0];
  }
  for (const char* bad : {"x", "-1", ""}) {
    const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "bad"), "--strip-components", bad});
    EXPECT_EQ(r.exitCode, 2) << bad;
  }
}

TEST(RdbtoolList, NamesOnlyOneALine) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  w.AddWrapped(u"ui\\ok", kPng);
  w.Add(u"odd\nname", Text("n"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  for (const char* option : {"-1", "--names"}) {
    const ToolResult r = RunRdbtool({"list", pkg, option});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "a.txt\n" + Listed("ui\\ok") + "\nodd?name\n") << option;
  }
  EXPECT_EQ(RunRdbtool({"list", pkg, "-1", "--exclude", "*.txt"}).out, Listed("ui\\ok") + "\nodd?name\n");
  EXPECT_EQ(RunRdbtool({"list", pkg, "-1", "--json"}).exitCode, 2);
}
