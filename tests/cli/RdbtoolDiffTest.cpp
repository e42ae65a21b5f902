// rdbtool diff run as a process: pairs of packages with their exact output and exit status,
// the JSON form read back, the summary, selections and damaged packages.
#include <gtest/gtest.h>

#include "tests/cli/JsonReader.h"
#include "tests/cli/ToolFixtures.h"

namespace {

struct Entry {
  std::u16string name;
  Bytes data;
  bool wrapped = false;
};

PackageWriter Writer(const std::vector<Entry>& entries) {
  PackageWriter w;
  for (const Entry& e : entries) {
    if (e.wrapped) w.AddWrapped(e.name, e.data);
    else w.Add(e.name, e.data);
  }
  return w;
}

}  // namespace

TEST(RdbtoolDiff, PairsOfPackagesGiveTheirLinesAndExitStatus) {
  Sandbox box;
  const Bytes a = Text("alpha"), b = Text("bravo"), c = Text("charlie");
  const Bytes big = Random(70000, 1);
  Bytes bigChanged = big;
  bigChanged.back() ^= 1;
  struct Case {
    const char* what;
    std::vector<Entry> oldEntries, newEntries;
    std::vector<std::string> options;
    std::string out;
    int exitCode;
  };
  const Case cases[] = {
      {"identical", {{u"ui\\a.txt", a}, {u"b.txt", b}}, {{u"ui\\a.txt", a}, {u"b.txt", b}}, {}, "", 0},
      {"both empty", {}, {}, {}, "", 0},
      {"the order of entries is no difference", {{u"a", a}, {u"b", b}}, {{u"b", b}, {u"a", a}}, {}, "", 0},
      {"added, in the new order", {{u"b", b}}, {{u"c", c}, {u"b", b}, {u"a", a}}, {}, "A\tc\nA\ta\n", 1},
      {"removed, in the old order", {{u"c", c}, {u"b", b}, {u"a", a}}, {{u"b", b}}, {}, "D\tc\nD\ta\n", 1},
      {"from empty", {}, {{u"a", a}}, {}, "A\ta\n", 1},
      {"to empty", {{u"a", a}}, {}, {}, "D\ta\n", 1},
      {"changed: another size, or the same size", {{u"a", a}, {u"b", b}, {u"c", c}},
       {{u"a", Text("alphabet")}, {u"b", Text("brava")}, {u"c", c}}, {}, "M\ta\nM\tb\n", 1},
      {"changed in the last byte only", {{u"big", big}}, {{u"big", bigChanged}}, {}, "M\tbig\n", 1},
      {"wrapped against plain", {{u"ui\\ok", kPng, true}}, {{u"ui\\ok", kPng}}, {}, "M\t" + Listed("ui\\ok") + "\n", 1},
      {"\"/\" and \"\\\" are one separator", {{u"ui\\btn\\ok", a}}, {{u"ui/btn/ok", a}}, {}, "", 0},
      {"letter case is not ignored", {{u"A.txt", a}}, {{u"a.txt", a}}, {}, "A\ta.txt\nD\tA.txt\n", 1},
      {"moved without --renames", {{u"old\\x", a}, {u"b", b}}, {{u"b", b}, {u"new\\x", a}}, {},
       "A\t" + Listed("new\\x") + "\nD\t" + Listed("old\\x") + "\n", 1},
      {"moved with --renames, among other changes", {{u"old\\x", a}, {u"gone", b}, {u"m", c}},
       {{u"m", a}, {u"new\\x", a}, {u"fresh", Text("delta")}}, {"--renames"},
       "M\tm\nR\t" + Listed("old\\x") + "\t" + Listed("new\\x") + "\nA\tfresh\nD\tgone\n", 1},
      {"two moves of the same bytes pair in order", {{u"x1", a}, {u"x2", a}}, {{u"y1", a}, {u"y2", a}}, {"--renames"},
       "R\tx1\ty1\nR\tx2\ty2\n", 1},
      {"empty entries are not renames", {{u"e1", {}}}, {{u"e2", {}}}, {"--renames"}, "A\te2\nD\te1\n", 1},
      {"names stored twice pair in order", {{u"d", a}, {u"d", b}, {u"d", c}}, {{u"d", a}, {u"d", c}}, {},
       "M\td\nD\td\n", 1},
      {"a control character shows as ?", {}, {{u"a\nb", a}}, {}, "A\ta?b\n", 1},
      {"--match chooses pairs by either name", {{u"ui\\a", a}, {u"b", b}}, {{u"ui/a", b}, {u"b", a}},
       {"--match", "UI/*"}, "M\t" + Listed("ui/a") + "\n", 1},
      {"--type chooses a pair by either side's content", {{u"pic", kPng}, {u"t", a}}, {{u"pic", kJpg}, {u"t", b}},
       {"--type", "png"}, "M\tpic\n", 1},
      {"--stat ends with the counts", {{u"a", a}, {u"b", b}, {u"c", c}}, {{u"a", Text("al")}, {u"d", Text("dd")}},
       {"--stat"}, "M\ta\nA\td\nD\tb\nD\tc\n1 added (2 bytes), 2 removed (12 bytes), 1 changed (5 -> 2 bytes)\n", 1},
      {"--stat with --renames", {{u"a", a}}, {{u"z", a}}, {"--stat", "--renames"},
       "R\ta\tz\n0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 -> 0 bytes), 1 renamed (5 bytes)\n", 1},
      {"--stat when the same", {{u"a", a}}, {{u"a", a}}, {"--stat"},
       "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 -> 0 bytes)\n", 0},
      {"-q prints nothing", {{u"a", a}}, {{u"a", b}}, {"-q"}, "", 1},
      {"--quiet when the same", {{u"a", a}}, {{u"a", a}}, {"--quiet"}, "", 0},
  };
  for (const Case& c : cases) {
    const std::string oldPath = U8(WritePackage(box, "old.rdb", Writer(c.oldEntries)));
    const std::string newPath = U8(WritePackage(box, "new.rdb", Writer(c.newEntries)));
    std::vector<std::string> args = {"diff", oldPath, newPath};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolResult r = RunRdbtool(args);
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
    if (std::string(c.what).find("twice") == std::string::npos) EXPECT_EQ(r.err, "") << c.what;
  }
}

TEST(RdbtoolDiff, NamesStoredMoreThanOnceAreNoted) {
  Sandbox box;
  const std::string oldPath =
      U8(WritePackage(box, "old.rdb", Writer({{u"ui\\d", Text("1")}, {u"ui/d", Text("2")}, {u"o", {}}, {u"o", {}}})));
  const std::string newPath = U8(WritePackage(box, "new.rdb", Writer({{u"ui\\d", Text("1")}, {u"n", {}}, {u"n", {}}})));
  ToolResult r = RunRdbtool({"diff", oldPath, newPath});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "A\tn\nA\tn\nD\t" + Listed("ui/d") + "\nD\to\nD\to\n");
  EXPECT_EQ(r.err, "rdbtool diff: \"" + Listed("ui\\d") + "\" is stored twice in " + oldPath + " and once in " + newPath +
                       "; paired in order\n"
                       "rdbtool diff: \"n\" is stored not at all in " + oldPath + " and twice in " + newPath + "\n"
                       "rdbtool diff: \"o\" is stored twice in " + oldPath + " and not at all in " + newPath + "\n");
  // Only for names the selection chose; -q says nothing.
  r = RunRdbtool({"diff", oldPath, newPath, "--match", "ui/*"});
  EXPECT_EQ(r.out, "D\t" + Listed("ui/d") + "\n");
  EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
  r = RunRdbtool({"diff", oldPath, newPath, "-q"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out + r.err, "");
}

TEST(RdbtoolDiff, JsonGivesBothEntriesAsListWritesThem) {
  Sandbox box;
  const std::string oldPath =
      U8(WritePackage(box, "old.rdb", Writer({{u"ui\\logo", kPng, true}, {u"gone.txt", Text("g")}, {u"m", Text("x")}})));
  const std::string newPath =
      U8(WritePackage(box, "new.rdb", Writer({{u"ui\\logo", kPng}, {u"m", Text("x")}, {u"moved", Text("g")}})));
  ToolResult r = RunRdbtool({"diff", oldPath, newPath, "--json", "--renames"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  JsonValue doc;
  ASSERT_TRUE(ParseJson(r.out, doc)) << r.out;
  ASSERT_EQ(doc.kind, JsonValue::kArray);
  ASSERT_EQ(doc.items.size(), 2u) << r.out;
  const JsonValue& changed = doc.items[0];
  EXPECT_EQ(changed.Get("status")->text, u"M");
  const JsonValue* before = changed.Get("old");
  const JsonValue* after = changed.Get("new");
  ASSERT_TRUE(before && after && before->kind == JsonValue::kObject && after->kind == JsonValue::kObject);
  EXPECT_EQ(before->Get("stored_name")->text, u"ui\\logo");
  EXPECT_EQ(before->Get("size")->number, static_cast<int64_t>(20 + kPng.size()));
  EXPECT_EQ(before->Get("type")->text, u"png");
  EXPECT_TRUE(before->Get("wrapped")->boolean);
  EXPECT_EQ(after->Get("size")->number, static_cast<int64_t>(kPng.size()));
  EXPECT_FALSE(after->Get("wrapped")->boolean);
  const JsonValue& renamed = doc.items[1];
  EXPECT_EQ(renamed.Get("status")->text, u"R");
  EXPECT_EQ(renamed.Get("old")->Get("stored_name")->text, u"gone.txt");
  EXPECT_EQ(renamed.Get("new")->Get("stored_name")->text, u"moved");
  // Each side's object is list --json's object for that entry.
  const ToolResult listed = RunRdbtool({"list", newPath, "--json"});
  JsonValue list;
  ASSERT_TRUE(ParseJson(listed.out, list));
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_EQ(after->members.size(), list.items[0].members.size());
  for (const auto& member : list.items[0].members) {
    const JsonValue* same = after->Get(member.first);
    ASSERT_TRUE(same) << member.first;
    EXPECT_EQ(same->kind, member.second.kind) << member.first;
    EXPECT_EQ(same->text, member.second.text) << member.first;
    EXPECT_EQ(same->number, member.second.number) << member.first;
  }

  // An added and a removed entry have null on the other side; no difference is [].
  r = RunRdbtool({"diff", oldPath, newPath, "--json"});
  ASSERT_TRUE(ParseJson(r.out, doc)) << r.out;
  ASSERT_EQ(doc.items.size(), 3u);
  EXPECT_EQ(doc.items[1].Get("status")->text, u"A");
  EXPECT_EQ(doc.items[1].Get("old")->kind, JsonValue::kNull);
  EXPECT_EQ(doc.items[2].Get("status")->text, u"D");
  EXPECT_EQ(doc.items[2].Get("new")->kind, JsonValue::kNull);
  r = RunRdbtool({"diff", oldPath, oldPath, "--json"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "[]\n");
}

TEST(RdbtoolDiff, DamageIsReportedInChecksWordsAndExitsWithTwo) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"kept", Text("k"));
  const size_t distant = w.Add(u"far.bin", Text("far"));
  w.At(distant).overrideOffset = true;
  w.At(distant).offset = 1000000;
  w.Add(u"mine", Text("o"));
  const std::string damaged = U8(WritePackage(box, "damaged.rdb", w));
  const std::string good =
      U8(WritePackage(box, "good.rdb", Writer({{u"kept", Text("K")}, {u"far.bin", Text("far")}, {u"theirs", Text("n")}})));
  const ToolResult check = RunRdbtool({"check", damaged});
  ASSERT_EQ(check.exitCode, 1);
  const std::string problem = Lines(check.out)[0];
  ASSERT_TRUE(Contains(problem, "entry 2 of 3 \"far.bin\": data at offset")) << check.out;

  // The rest is still compared; the damaged pair is not.
  ToolResult r = RunRdbtool({"diff", good, damaged});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "M\tkept\nA\tmine\nD\ttheirs\n");
  EXPECT_EQ(r.err, "rdbtool diff: " + damaged + ": " + problem + "\n");
  r = RunRdbtool({"diff", damaged, good, "-q"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "rdbtool diff: " + damaged + ": " + problem + "\n");

  // An index that runs past the end: nothing is compared.
  Bytes bytes = Writer({{u"first-entry-with-a-long-name", Text("1")}, {u"second-entry-with-a-long-name", Text("2")}}).Build();
  bytes.resize(36 + 2 * 29 + 16 + 10);
  WriteFile(box / "cut.rdb", bytes);
  const std::string cut = U8(box / "cut.rdb");
  const std::vector<std::string> checkLines = Lines(RunRdbtool({"check", cut}).out);
  ASSERT_GE(checkLines.size(), 2u);
  r = RunRdbtool({"diff", cut, good});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "rdbtool diff: " + cut + ": " + checkLines[checkLines.size() - 2] + "\n");

  // Not a package, no file.
  WriteFile(box / "text.rdb", Text("this is no package at all, only some text"));
  r = RunRdbtool({"diff", good, U8(box / "text.rdb")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "rdbtool diff: " + U8(box / "text.rdb") + ": not a package: the signature does not match\n");
  r = RunRdbtool({"diff", U8(box / "none.rdb"), good});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "rdbtool diff: " + U8(box / "none.rdb") + ": ")) << r.err;
}

TEST(RdbtoolDiff, BadUsageAndSelectionsThatChooseNothingExitWithTwo) {
  Sandbox box;
  const std::string p = U8(WritePackage(box, "p.rdb", Writer({{u"a.txt", Text("a")}})));
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"diff", p}, "rdbtool diff: expects two packages: OLD NEW\nTry 'rdbtool diff --help'.\n"},
      {{"diff", p, p, p}, "rdbtool diff: expects two packages: OLD NEW\nTry 'rdbtool diff --help'.\n"},
      {{"diff", p, p, "-q", "--json"},
       "rdbtool diff: --json, -q and --stat do not go together: choose one\nTry 'rdbtool diff --help'.\n"},
      {{"diff", p, p, "--type", "webp"}, ""},  // the message is list's (tested there)
      {{"diff", p, p, "--match", "*.png"}, "rdbtool diff: --match '*.png' matches no entry\n"},
      {{"diff", p, p, "--type", "lua"}, "rdbtool diff: --type lua: no entry of these types\n"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    if (!c.err.empty()) EXPECT_EQ(r.err, c.err) << c.args.back();
  }
  const ToolResult help = RunRdbtool({"diff", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "Usage: rdbtool diff OLD NEW")) << help.out;
  EXPECT_TRUE(Contains(RunRdbtool({"--help"}).out, "diff OLD NEW")) << "the tool's help lists diff";
}
