// The built rdbtool run as a separate process: round trips, hostile and damaged packages,
// exit codes, JSON read back, and the progress bar only on a terminal.
#include <gtest/gtest.h>

#include <set>

#if defined(_WIN32)
#include "tests/support/HostLink.h"
#endif
#include "tests/cli/JsonReader.h"
#include "tests/cli/ToolFixtures.h"

TEST(RdbtoolRoundTrip, PackThenExtractGivesBackTheSameFiles) {
  Sandbox box;
  const std::map<std::string, Bytes> files = {
      {"readme.txt", Text("hello\n")},
      {"empty.dat", {}},
      {"ui/btn/ok.png", kPng},                  // wrapped, stored as ui\btn\ok
      {"界面/logo.gft.png", kPng},              // wrapped, stored as 界面\logo.gft
      {"界面/按钮.bin", Random(70000, 1)},      // more than one 64 KiB block
      {"raw/own.gft", PackageWriter::Wrap(kGif)},  // begins with a header of its own
      {"deep/a/b/c/d.xml", Text("<x/>")},
      {"photo.png", kJpg},                      // asked to wrap, but a JPEG: stored plain
  };
  for (const auto& f : files) WriteFile(box / ("src/" + f.first), f.second);

  const std::string pkg = U8(box / "a.rdb");
  ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg, "--wrap", "png"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "warning: photo.png")) << r.err;
  EXPECT_TRUE(r.out.empty());

  r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadTree(box / "out"), ReadTree(box / "src"));

  // Extracting again replaces the files without a word.
  WriteFile(box / "out/readme.txt", Text("changed"));
  r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadTree(box / "out"), ReadTree(box / "src"));

  r = RunRdbtool({"list", pkg});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              Listed("4\tnone\tplain\tdeep\\a\\b\\c\\d.xml"),
                              "0\tnone\tplain\tempty.dat",
                              "13\tjpg\tplain\tphoto.png",
                              Listed("48\tnone\twrapped\traw\\own.gft"),  // one header removed: its own is left
                              "6\tnone\tplain\treadme.txt",
                              Listed("35\tpng\twrapped\tui\\btn\\ok"),
                              Listed("35\tpng\twrapped\t界面\\logo.gft"),
                              Listed("70000\tnone\tplain\t界面\\按钮.bin"),
                          }));

  r = RunRdbtool({"list", pkg, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  JsonValue list;
  ASSERT_TRUE(ParseJson(r.out, list)) << r.out;
  ASSERT_EQ(list.kind, JsonValue::kArray);
  ASSERT_EQ(list.items.size(), 8u);
  std::set<std::u16string> names;
  for (const JsonValue& e : list.items) {
    ASSERT_EQ(e.kind, JsonValue::kObject);
    for (const char* key : {"name", "stored_name", "size", "type", "wrapped", "inside", "content_size"})
      ASSERT_NE(e.Get(key), nullptr) << key;
    names.insert(e.Get("stored_name")->text);
  }
  EXPECT_EQ(names, (std::set<std::u16string>{u"deep\\a\\b\\c\\d.xml", u"empty.dat", u"photo.png", u"raw\\own.gft",
                                             u"readme.txt", u"ui\\btn\\ok", u"界面\\logo.gft", u"界面\\按钮.bin"}));
  const JsonValue& ok = list.items[5];
  EXPECT_EQ(ok.Get("stored_name")->text, u"ui\\btn\\ok");
#if defined(_WIN32)
  EXPECT_EQ(ok.Get("name")->text, u"ui\\btn\\ok");
#else
  EXPECT_EQ(ok.Get("name")->text, u"ui/btn/ok");
#endif
  EXPECT_EQ(ok.Get("size")->number, 35);
  EXPECT_EQ(ok.Get("type")->text, u"png");
  EXPECT_TRUE(ok.Get("wrapped")->boolean);
  EXPECT_TRUE(ok.Get("inside")->boolean);
  EXPECT_EQ(ok.Get("content_size")->number, static_cast<int64_t>(kPng.size()));

  r = RunRdbtool({"check", pkg});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, "ok: 8 entries, no problems\n");
}

TEST(RdbtoolRoundTrip, PackWritesWhatThePackageWriterWrites) {
  Sandbox box;
  WriteFile(box / "src/b.txt", Text("bee"));
  WriteFile(box / "src/img/x.gft.png", kPng);
  WriteFile(box / "src/a.txt", Text("a"));
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb"), "--wrap", ".PNG,gif"}).exitCode, 0);
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  w.Add(u"b.txt", Text("bee"));
  w.AddWrapped(u"img\\x.gft", kPng);
  EXPECT_EQ(ReadFile(box / "p.rdb"), w.Build());

  // An empty folder makes an empty package, which lists as nothing.
  fs::create_directories(box / "none");
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "none"), "-o", U8(box / "e.rdb")}).exitCode, 0);
  EXPECT_EQ(ReadFile(box / "e.rdb"), PackageWriter().Build());
  ToolResult r = RunRdbtool({"list", U8(box / "e.rdb"), "--json"});
  EXPECT_EQ(r.out, "[]\n");
}

// Stored in the order of the names' parts as UTF-16 text: a folder's files sit between
// its subfolders by name, and a name beyond U+FFFF (a surrogate pair) comes before U+FF61,
// as UTF-8 bytes would not have it; also on a stream, which writes the index first.
TEST(RdbtoolRoundTrip, PackStoresFilesInTheOrderOfTheirNamesParts) {
  Sandbox box;
  const std::vector<std::pair<std::u16string, std::string>> stored = {
      {u"a\\b\\c.txt", "abc"}, {u"a\\b.txt", "ab"},   {u"a\\c\\d", "acd"}, {u"a-b\\x", "x"},
      {u"a.txt", "a"},           {u"b", ""},            {u"\U0001F600", "smile"}, {u"\uFF61", "dot"},
  };
  PackageWriter w;
  for (auto it = stored.rbegin(); it != stored.rend(); ++it) {
    std::u16string path = it->first;
    for (char16_t& c : path)
      if (c == u'\\') c = u'/';
    WriteFile(box / "src" / fs::path(path), Text(it->second));
  }
  for (const auto& [name, text] : stored) w.Add(name, Text(text));
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb")}).exitCode, 0);
  EXPECT_EQ(ReadFile(box / "p.rdb"), w.Build());
  const ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", "-"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Text(r.out), w.Build());
}

TEST(RdbtoolRoundTrip, APackageInsideTheFolderIsNotPackedIntoItself) {
  Sandbox box;
  WriteFile(box / "src/a.txt", Text("a"));
  const std::string pkg = U8(box / "src/self.rdb");
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", pkg}).exitCode, 0);
  const ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(RunRdbtool({"list", pkg}).out, "1\tnone\tplain\ta.txt\n");
  EXPECT_EQ(ReadTree(box / "src").size(), 2u);  // no temporary file left behind
}

TEST(RdbtoolHostile, RefusedNamesAreReportedAndNothingLeavesTheFolder) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"ok\\a.png", kPng);
  for (const char16_t* name : {u"..\\x", u"C:\\x", u"a:b", u"CON.png", u"a\\..\\..\\x", u"a/../../y", u"\\abs"})
    w.Add(name, Text("evil"));
  w.Add(u"b.txt", Text("b"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  fs::create_directories(box / "work/out");

  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "work/out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  const std::vector<std::string> lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 8u) << r.err;
  const char* shown[] = {"..\\x", "C:\\x", "a:b", "CON.png", "a\\..\\..\\x", "a/../../y", "\\abs"};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(lines[i].rfind(std::string("rdbtool extract: ") + shown[i] + ": unsafe name", 0), 0u) << lines[i];
  }
  EXPECT_EQ(lines[7], "rdbtool extract: 7 of 9 entries not written");

  EXPECT_EQ(ReadTree(box / "work"),
            (std::map<std::string, Bytes>{{"out/", {}}, {"out/ok/", {}}, {"out/ok/a.png", kPng}, {"out/b.txt", Text("b")}}));
  EXPECT_FALSE(fs::exists(box / "x"));
  EXPECT_FALSE(fs::exists(box / "y"));

  // check names the same entries, with the index and data fine.
  const ToolResult c = RunRdbtool({"check", pkg});
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_EQ(Lines(c.out).size(), 8u) << c.out;
  EXPECT_TRUE(Contains(c.out, "entry 5 of 9 \"CON.png\": extract refuses the name: unsafe name")) << c.out;
  EXPECT_TRUE(Contains(c.out, "7 problems"));
}

TEST(RdbtoolDamaged, TruncatedIndexIsRefusedAndLocated) {
  Sandbox box;
  PackageWriter w;
  const std::u16string longName(30, u'n');  // long enough that the count alone fits the cut file
  w.Add(u"first" + longName, Text("1"));
  w.Add(u"second" + longName, Text("2"));
  w.Add(u"third" + longName, Text("3"));
  Bytes bytes = w.Build();
  const size_t second = 36 + 2 * (5 + 30 + 1) + 16;
  bytes.resize(second + 10);  // into the second record's name
  WriteFile(box / "cut.rdb", bytes);
  const std::string cut = U8(box / "cut.rdb");
  for (const char* command : {"list", "info", "extract"}) {
    const ToolResult r = RunRdbtool({command, cut, "-C", U8(box / "out")});
    const ToolResult r2 = std::string(command) == "extract" ? r : RunRdbtool({command, cut});
    EXPECT_EQ(r2.exitCode, 2) << command;
    EXPECT_TRUE(Contains(r2.err, "index runs past the end")) << command << ": " << r2.err;
    EXPECT_EQ(r2.out, "") << command;
  }
  EXPECT_FALSE(fs::exists(box / "out"));

  ToolResult r = RunRdbtool({"check", cut});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "the data area starts at " + std::to_string(w.IndexEnd()) + ", past the end of the file (" +
                       std::to_string(bytes.size()) + " bytes)\nindex record 2 of 3 (at offset " + std::to_string(second) +
                       "): its name runs past the end of the file\n2 problems\n");

  // A count the file cannot hold.
  bytes = w.Build();
  sorv::pkg::PatchU32(bytes, 16, 0x7FFFFFFF);
  WriteFile(box / "count.rdb", bytes);
  r = RunRdbtool({"check", U8(box / "count.rdb")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.out, "the header counts 2147483647 entries")) << r.out;
}

TEST(RdbtoolDamaged, DataOutsideTheFileIsReportedAndTheRestWritten) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"good.png", kPng);
  const size_t distant = w.Add(u"far.bin", Text("far"));
  w.At(distant).overrideOffset = true;
  w.At(distant).offset = 1000000;
  const size_t big = w.Add(u"big.bin", Text("big"));
  w.At(big).overrideSize = true;
  w.At(big).size = 1 << 20;
  const size_t negative = w.Add(u"neg.bin", Text("neg"));
  w.At(negative).overrideSize = true;
  w.At(negative).size = -5;
  w.Add(u"short.gft", Bytes{'T', 'G', 'F', 0, 1, 2});  // marker without room for a header
  Bytes longHeader = PackageWriter::Wrap(kPng);
  sorv::pkg::PatchU32(longHeader, 16, 999);           // header length beyond the entry
  w.Add(u"long.gft", longHeader);
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  ToolResult r = RunRdbtool({"list", pkg});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "rdbtool list: 3 entries' data lie outside the file (try 'rdbtool check')\n");
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"15\tpng\tplain\tgood.png", "3\tnone\toutside\tfar.bin",
                                                   "1048576\tnone\toutside\tbig.bin", "-5\tnone\toutside\tneg.bin",
                                                   "6\tnone\tplain\tshort.gft", "35\tnone\tplain\tlong.gft"}));

  r = RunRdbtool({"info", pkg});
  EXPECT_EQ(r.exitCode, 1);
  const std::vector<std::string> info = Lines(r.out);
  ASSERT_GE(info.size(), 14u);
  EXPECT_EQ(info[0], "entries:          6");
  EXPECT_EQ(info[1], "data area start:  " + std::to_string(w.IndexEnd()));
  EXPECT_EQ(info[2], "file size:        " + std::to_string(w.Build().size()));
  EXPECT_EQ(info[3], "outside the file: 3");
  EXPECT_EQ(info[4], "wrapped:          0");
  EXPECT_EQ(info[7], "png   1         15");
  EXPECT_EQ(info[13], "none  2         41");

  r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "far.bin: its data lies outside the package file")) << r.err;
  EXPECT_TRUE(Contains(r.err, "big.bin: its data lies outside the package file"));
  EXPECT_TRUE(Contains(r.err, "neg.bin: negative size"));
  EXPECT_TRUE(Contains(r.err, "3 of 6 entries not written"));
  // Damaged wrappers are written as they are, like the window program saves them.
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"good.png", kPng},
                                                                 {"short.gft", Bytes{'T', 'G', 'F', 0, 1, 2}},
                                                                 {"long.gft", longHeader}}));

  r = RunRdbtool({"check", pkg});
  EXPECT_EQ(r.exitCode, 1);
  const std::vector<std::string> problems = Lines(r.out);
  ASSERT_EQ(problems.size(), 6u) << r.out;
  EXPECT_EQ(problems[0], "entry 2 of 6 \"far.bin\": data at offset " + std::to_string(w.IndexEnd() + 1000000) +
                             " with size 3 reaches past the end of the file (" + std::to_string(w.Build().size()) +
                             " bytes)");
  EXPECT_TRUE(Contains(problems[1], "entry 3 of 6 \"big.bin\": data at offset")) << problems[1];
  EXPECT_EQ(problems[2], "entry 4 of 6 \"neg.bin\": negative size -5");
  EXPECT_TRUE(Contains(problems[3], "entry 5 of 6 \"short.gft\": wrapped-image marker")) << problems[3];
  EXPECT_TRUE(Contains(problems[4], "entry 6 of 6 \"long.gft\": wrapped header length 999 exceeds")) << problems[4];
  EXPECT_EQ(problems[5], "5 problems");
}

TEST(RdbtoolDamaged, FilesThatAreNoPackage) {
  Sandbox box;
  WriteFile(box / "empty.rdb", {});
  WriteFile(box / "short.rdb", Text("531E98204F8542F0"));
  Bytes lower = PackageWriter().Build();
  lower[3] = 'e';  // the signature in lower case is not the signature
  WriteFile(box / "lower.rdb", lower);
  struct Case {
    const char* file;
    const char* error;
  };
  const Case cases[] = {
      {"empty.rdb", "shorter than the 36-byte header"},
      {"short.rdb", "shorter than the 36-byte header"},
      {"lower.rdb", "the signature does not match"},
  };
  for (const Case& c : cases) {
    const std::string path = U8(box / c.file);
    for (const char* command : {"list", "check"}) {
      const ToolResult r = RunRdbtool({command, path});
      EXPECT_EQ(r.exitCode, 2) << command << " " << c.file;
      EXPECT_TRUE(Contains(r.err, std::string(c.file) + ": not a package: " + c.error)) << r.err;
      EXPECT_EQ(r.out, "");
    }
  }
  for (const char* command : {"list", "info", "extract", "check"}) {
    const ToolResult r = RunRdbtool({command, U8(box / "missing.rdb")});
    EXPECT_EQ(r.exitCode, 2) << command;
    EXPECT_TRUE(Contains(r.err, "missing.rdb")) << r.err;
  }
}

TEST(RdbtoolSelection, TypeMatchAndNamesNarrowListAndExtract) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"UI\\a.png", kPng);
  w.Add(u"ui\\b.jpg", kJpg);
  w.AddWrapped(u"ui\\c.gft", kGif);
  w.Add(u"d.txt", Text("d"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  EXPECT_EQ(RunRdbtool({"list", pkg, "--type", "png,gif"}).out, Listed("15\tpng\tplain\tUI\\a.png\n28\tgif\twrapped\tui\\c.gft\n"));
  EXPECT_EQ(RunRdbtool({"list", pkg, "--type", "none"}).out, "1\tnone\tplain\td.txt\n");
  EXPECT_EQ(RunRdbtool({"list", pkg, "--match", "ui/*", "--match", "*.txt", "--type", "jpg", "--type", "none"}).out,
            Listed("13\tjpg\tplain\tui\\b.jpg\n1\tnone\tplain\td.txt\n"));
  EXPECT_EQ(RunRdbtool({"list", pkg, "--match", "*.bmp", "--json"}).out, "[]\n");

  ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out"), "ui/c.gft", "d.TXT", "nope.png"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "rdbtool extract: nope.png: no such entry (or excluded by --type/--match)\n");
  EXPECT_EQ(ReadTree(box / "out"),
            (std::map<std::string, Bytes>{{"ui/", {}}, {"ui/c.gft.gif", kGif}, {"d.txt", Text("d")}}));

  r = RunRdbtool({"extract", pkg, "-C", U8(box / "png"), "--type", "png"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadTree(box / "png"), (std::map<std::string, Bytes>{{"UI/", {}}, {"UI/a.png", kPng}}));
}

TEST(RdbtoolUsage, ExitCodesHelpAndVersion) {
  Sandbox box;
  const std::string pkg = U8(WritePackage(box, "p.rdb", PackageWriter()));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    bool out, err;  // whether each stream has text
  };
  const Case cases[] = {
      {{}, 2, false, true},
      {{"--help"}, 0, true, false},
      {{"--version"}, 0, true, false},
      {{"frobnicate"}, 2, false, true},
      {{"list", "--help"}, 0, true, false},
      {{"info", "--help"}, 0, true, false},
      {{"extract", "-h"}, 0, true, false},
      {{"check", "--help"}, 0, true, false},
      {{"pack", "--help"}, 0, true, false},
      {{"list"}, 2, false, true},
      {{"list", pkg, pkg}, 2, false, true},
      {{"list", pkg, "--bogus"}, 2, false, true},
      {{"list", pkg, "--type", "webp"}, 2, false, true},
      {{"list", pkg, "--json=yes"}, 2, false, true},
      {{"extract", pkg, "-C"}, 2, false, true},
      {{"extract", pkg, "-C", pkg}, 2, false, true},  // a file where the folder should be
      {{"pack", U8(box.Root())}, 2, false, true},
      {{"pack", U8(box / "missing"), "-o", U8(box / "x.rdb")}, 2, false, true},
      {{"list", pkg}, 0, false, false},
      {{"info", pkg}, 0, true, false},
      {{"check", pkg}, 0, true, false},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool(c.args);
    const size_t i = &c - cases;
    EXPECT_EQ(r.exitCode, c.exitCode) << "case " << i << ": " << r.err;
    EXPECT_EQ(!r.out.empty(), c.out) << "case " << i << ": " << r.out;
    EXPECT_EQ(!r.err.empty(), c.err) << "case " << i << ": " << r.err;
  }
  EXPECT_EQ(RunRdbtool({"--version"}).out, "rdbtool 1.0.0\n");
  EXPECT_TRUE(Contains(RunRdbtool({"list", pkg, "--bogus"}).err, "Try 'rdbtool list --help'."));
  EXPECT_FALSE(fs::exists(box / "x.rdb"));
}

// Two entries for one file: the first is written, the second reported, on both platforms;
// names that differ only in case are one file on Windows and two on the host.
TEST(RdbtoolHostile, TwoEntriesForOneFileKeepTheFirst) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"same.txt", Text("first"));
  w.Add(u"same.txt", Text("second"));
  w.Add(u"a/b.txt", Text("first"));
  w.Add(u"a\\b.txt", Text("second"));
  w.AddWrapped(u"pic", kPng);
  w.Add(u"pic.png", Text("second"));
  w.Add(u"pic2.png", Text("first"));
  w.AddWrapped(u"pic2", kPng);
  w.Add(u"Case.txt", Text("first"));
  w.Add(u"case.txt", Text("second"));
  w.Add(u"\u03A3", Text("first"));
  w.Add(u"\u03C3", Text("second"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 1);
  std::vector<std::string> expected = {
      "rdbtool extract: same.txt: duplicate: an earlier entry has the same target file (\"same.txt\")",
      "rdbtool extract: a\\b.txt: duplicate: an earlier entry has the same target file (\"a/b.txt\")",
      "rdbtool extract: pic.png: duplicate: an earlier entry has the same target file (\"pic\")",
      "rdbtool extract: pic2: duplicate: an earlier entry has the same target file (\"pic2.png\")",
  };
  std::map<std::string, Bytes> tree = {{"same.txt", Text("first")}, {"a/", {}}, {"a/b.txt", Text("first")},
                                       {"pic.png", kPng}, {"pic2.png", Text("first")}, {"Case.txt", Text("first")},
                                       {"\xCE\xA3", Text("first")}};
#if defined(_WIN32)
  expected.push_back("rdbtool extract: case.txt: duplicate: an earlier entry has the same target file (\"Case.txt\")");
  expected.push_back("rdbtool extract: \xCF\x83: duplicate: an earlier entry has the same target file (\"\xCE\xA3\")");
  expected.push_back("rdbtool extract: 6 of 12 entries not written");
#else
  expected.push_back("rdbtool extract: 4 of 12 entries not written");
  tree["case.txt"] = Text("second");
  tree["\xCF\x83"] = Text("second");
#endif
  EXPECT_EQ(Lines(r.err), expected);
  EXPECT_EQ(ReadTree(box / "out"), tree);
}

// Empty entries are written and count as written; a name longer than the system allows
// is refused before any folder is made.
TEST(RdbtoolHostile, EmptyEntriesAreWrittenAndOverlongNamesRefused) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"empty.txt", {});
  w.AddWrapped(u"w.gft", {});
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"empty.txt", {}}, {"w.gft", {}}}));

  std::u16string deep;
  for (int i = 0; i < 100000; ++i) deep += u"a\\";
  PackageWriter d;
  d.Add(deep + u"x.txt", Text("deep"));
  d.Add(u"ok.txt", Text("ok"));
  const std::string deepPkg = U8(WritePackage(box, "deep.rdb", d));
  r = RunRdbtool({"extract", deepPkg, "-C", U8(box / "deep")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, ": too long: the path or one of its names is longer than this system allows\n")) << r.err.size();
  EXPECT_TRUE(Contains(r.err, "1 of 2 entries not written"));
  EXPECT_EQ(ReadTree(box / "deep"), (std::map<std::string, Bytes>{{"ok.txt", Text("ok")}}));
}

// rdbtool never writes through a link below the folder, to a folder or to a file. On
// Windows the links are host links as Wine shows them, whichever way the system reports a
// file link.
TEST(RdbtoolHostile, LinksBelowTheFolderAreNotWrittenThrough) {
  Sandbox box;
  fs::create_directories(box / "outside");
  WriteFile(box / "outside/target.txt", Text("keep"));
  fs::create_directories(box / "out");
#if defined(_WIN32)
  auto win = [](fs::path p) { return p.make_preferred().wstring(); };
  ASSERT_TRUE(MakeHostSymlink(win(box / "out/link"), win(box / "outside")));
  ASSERT_TRUE(MakeHostSymlink(win(box / "out/f.txt"), win(box / "outside/target.txt")));
  const char* const folderRefused = "link\\x.txt: link: a folder on the way is a link or junction";
#else
  fs::create_directory_symlink(box / "outside", box / "out/link");
  fs::create_symlink(box / "outside/target.txt", box / "out/f.txt");
  const char* const folderRefused = "link\\x.txt: link: cannot enter folder 'link': it is a symbolic link";
#endif
  PackageWriter w;
  w.Add(u"link\\x.txt", Text("through the link"));
  w.Add(u"f.txt", Text("replaced"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  // Neither entry is written: a failure of the whole run.
  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, folderRefused)) << r.err;
  EXPECT_EQ(ReadTree(box / "outside"), (std::map<std::string, Bytes>{{"target.txt", Text("keep")}}));
#if !defined(_WIN32)
  // A link named like the entry is refused as a link, as rdbtool.exe refuses it, and left.
  EXPECT_TRUE(Contains(r.err, "f.txt: link: a symbolic link of that name is in the way")) << r.err;
  EXPECT_TRUE(Contains(r.err, "2 of 2 entries not written")) << r.err;
  EXPECT_TRUE(fs::is_symlink(box / "out/f.txt"));
#endif
}

#if !defined(_WIN32)

// The package being read is never replaced by one of its own entries.
TEST(RdbtoolHostile, ExtractingBesideThePackageNeverReplacesIt) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"p.rdb", Text("not the package"));
  w.Add(u"other.txt", Text("other"));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  const Bytes before = ReadFile(pkg);
  const ToolResult r = RunRdbtool({"extract", U8(pkg), "-C", U8(box.Root())});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "p.rdb: write failed: that file is the package being read")) << r.err;
  EXPECT_EQ(ReadFile(pkg), before);
  EXPECT_EQ(ReadFile(box / "other.txt"), Text("other"));
}

TEST(RdbtoolHostile, AFileInTheWayOfAFolderFailsOnlyItsEntries) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a", Text("file a"));
  w.Add(u"a\\b.txt", Text("below a"));
  w.Add(u"c.txt", Text("c"));
  w.Add(std::u16string(u"bad") + char16_t(0xD800) + u".txt", Text("lone surrogate"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "a\\b.txt: duplicate: an earlier entry uses this name for a file where a folder is needed, "
                              "or the other way round (\"a\")")) << r.err;
  EXPECT_TRUE(Contains(r.err, "bad\xEF\xBF\xBD.txt: unsafe name: holds an unpaired UTF-16 surrogate")) << r.err;
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"a", Text("file a")}, {"c.txt", Text("c")}}));
}

TEST(RdbtoolPack, LeavesOutWhatExtractCouldNotGiveBack) {
  Sandbox box;
  WriteFile(box / "src/good.txt", Text("good"));
  for (const char* bad : {"CON.png", "a:b", "dot.", "back\\slash", "q?.txt"}) WriteFile(box / (std::string("src/") + bad), Text("x"));
  fs::create_symlink(box / "src/good.txt", box / "src/link.txt");
  WriteFile(box / std::string("src/\xFF.bin"), Text("not UTF-8"));
  const ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb")});
  EXPECT_EQ(r.exitCode, 1);
  for (const char* reported : {"CON.png: extract would refuse it", "a:b: extract would refuse it", "dot.: extract",
                               "back\\slash: the name holds", "q?.txt: extract", "1 symbolic link left out",
                               "\xFF.bin: the name is not valid UTF-8"})
    EXPECT_TRUE(Contains(r.err, reported)) << reported << "\n" << r.err;
  EXPECT_EQ(RunRdbtool({"list", U8(box / "p.rdb")}).out, "4\tnone\tplain\tgood.txt\n");
}

TEST(RdbtoolProgress, BarOnlyWhenStandardErrorIsATerminal) {
  Sandbox box;
  PackageWriter w;
  for (int i = 0; i < 40; ++i) w.Add(u"d\\f" + sorv::pkg::Utf16(std::to_string(i)), Random(1000, i));
  w.Add(u"..\\evil", Text("x"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  // Not a terminal: only the diagnostics.
  ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "pipe")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{
                              "rdbtool extract: ..\\evil: unsafe name: a \".\" or \"..\" part",
                              "rdbtool extract: 1 of 41 entries not written"}));

  // A terminal: the bar, redrawn in place, ends complete; the diagnostic has its own line.
  r = RunRdbtool({"extract", pkg, "-C", U8(box / "tty")}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "\r[")) << r.err;
  EXPECT_TRUE(Contains(r.err, "[##############################]  100%  41/41 files\r\n")) << r.err;
  EXPECT_TRUE(Contains(r.err, "\rrdbtool extract: ..\\evil: unsafe name")) << r.err;
  EXPECT_EQ(ReadTree(box / "tty"), ReadTree(box / "pipe"));

  // A listing never draws a bar.
  r = RunRdbtool({"list", pkg}, true);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
}

#endif
