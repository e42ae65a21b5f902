// The built rdbtool as a Unix user reaches for it: selections that select nothing, the
// window's type names, entries to standard output, keeping existing files, info as JSON,
// names that are one file on Windows, symbolic links in a packed folder, pack's progress.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "tests/cli/JsonReader.h"
#include "tests/cli/ToolFixtures.h"

namespace {

std::set<std::string> ListedNames(const std::string& out) {
  std::set<std::string> names;
  for (const std::string& line : Lines(out)) names.insert(line.substr(line.rfind('\t') + 1));
  return names;
}

}  // namespace

TEST(RdbtoolSelection, WhatSelectsNothingIsNamedAndExitsWithOne) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"ui\\a.png", kPng);
  w.Add(u"b.txt", Text("b"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  struct Case {
    std::vector<std::string> args;
    std::string out, err;
  };
  const Case cases[] = {
      {{"list", pkg, "--match", "zz*"}, "", "rdbtool list: --match 'zz*' matches no entry\n"},
      {{"list", pkg, "--match", "*.txt", "--match", "*.gif"}, "1\tnone\tplain\tb.txt\n",
       "rdbtool list: --match '*.gif' matches no entry\n"},
      {{"list", pkg, "--match", "*.txt", "--type", "png"}, "",
       "rdbtool list: --match '*.txt' matches no entry (of the types chosen)\n"},
      {{"list", pkg, "--type", "gmd,lua"}, "", "rdbtool list: --type gmd,lua: no entry of these types\n"},
      {{"list", pkg, "--json", "--match", "none"}, "[]\n", "rdbtool list: --match 'none' matches no entry\n"},
      {{"extract", pkg, "-C", U8(box / "out"), "--match", "*.bmp"}, "", "rdbtool extract: --match '*.bmp' matches no entry\n"},
      {{"extract", pkg, "-C", U8(box / "out"), "nope.txt"}, "",
       "rdbtool extract: nope.txt: no such entry (or excluded by --type/--match)\n"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool(c.args);
    const size_t i = &c - cases;
    EXPECT_EQ(r.exitCode, 1) << "case " << i;
    EXPECT_EQ(r.out, c.out) << "case " << i;
    EXPECT_EQ(r.err, c.err) << "case " << i;
  }
  EXPECT_EQ(ReadTree(box / "out").size(), 0u);
  // A selection that selects something says nothing.
  const ToolResult r = RunRdbtool({"list", pkg, "--match", "*.png"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
}

TEST(RdbtoolSelection, TypeTakesTheWindowsFilterNamesAndTheContentTypes) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.XML", Text("<a/>"));
  w.Add(u"b.xml.bak", Text("<b/>"));
  w.Add(u"c.xmll", Text("<c/>"));
  w.AddWrapped(u"d.gft", kPng);
  w.Add(u"e.lua", Text("e"));
  w.Add(u"f.Gmd", Text("f"));
  w.Add(u"g.png", kJpg);       // named PNG, holds a JPEG
  w.Add(u"h.dat", kPng);       // a PNG without the name
  w.Add(u"dir.xml\\i", kGif);  // the extension is the last part's
  w.Add(u"j.ico", Text("not an icon"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  struct Case {
    const char* type;
    std::set<std::string> names;
  };
  const Case cases[] = {
      {"xml", {"a.XML"}},
      {"XML", {"a.XML"}},
      {"gft", {"d.gft"}},
      {"lua", {"e.lua"}},
      {"gmd", {"f.Gmd"}},
      {"images", {"d.gft", "g.png", "j.ico"}},  // the window's *.png;*.jpg;*.bmp;*.ico;*.gft
      {"png", {"d.gft", "g.png", "h.dat"}},     // by name or by content
      {"jpg", {"g.png"}},
      {"ico", {"j.ico"}},
      {"gif", {Listed("dir.xml\\i")}},
      {"none", {"a.XML", "b.xml.bak", "c.xmll", "e.lua", "f.Gmd", "j.ico"}},
      {"lua,gmd", {"e.lua", "f.Gmd"}},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool({"list", pkg, "--type", c.type});
    EXPECT_EQ(r.exitCode, 0) << c.type << ": " << r.err;
    EXPECT_EQ(ListedNames(r.out), c.names) << c.type;
  }
  EXPECT_EQ(Lines(RunRdbtool({"list", pkg, "--type", "all"}).out).size(), 10u);
  const ToolResult r = RunRdbtool({"list", pkg, "--type", "webp"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "unknown type 'webp' (known: all, images, png")) << r.err;
  // extract takes the same names.
  ASSERT_EQ(RunRdbtool({"extract", pkg, "-C", U8(box / "out"), "--type", "xml,lua"}).exitCode, 0);
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"a.XML", Text("<a/>")}, {"e.lua", Text("e")}}));
}

TEST(RdbtoolStdout, CatAndExtractOWriteContentsAsExtractWritesThem) {
  Sandbox box;
  PackageWriter w;
  w.AddWrapped(u"ui\\ok", kPng);
  w.Add(u"a.txt", Text("first "));
  w.Add(u"b.txt", Text("second"));
  const size_t distant = w.Add(u"far.txt", Text("far"));
  w.At(distant).overrideOffset = true;
  w.At(distant).offset = 1000000;
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  ToolResult r = RunRdbtool({"cat", pkg, "UI/OK"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), kPng);  // unwrapped
  r = RunRdbtool({"cat", pkg, "b.txt", "a.txt"});      // in the order asked
  EXPECT_EQ(r.out, "secondfirst ");
  r = RunRdbtool({"extract", pkg, "-O", "--match", "*.txt", "--match", "?.txt"});
  EXPECT_EQ(r.exitCode, 1);  // far.txt's data is outside the file
  EXPECT_EQ(r.out, "first second");
  EXPECT_TRUE(Contains(r.err, "far.txt: its data lies outside the package file")) << r.err;
  r = RunRdbtool({"cat", pkg, "a.txt", "missing.png"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "first ");
  EXPECT_EQ(r.err, "rdbtool cat: missing.png: no such entry\n");
  EXPECT_EQ(RunRdbtool({"cat", pkg}).exitCode, 2);
  EXPECT_EQ(RunRdbtool({"extract", pkg, "-O", "-C", U8(box / "out")}).exitCode, 2);
  EXPECT_FALSE(fs::exists(box / "out"));
}

TEST(RdbtoolExtract, KeepOldFilesAndVerbose) {
  Sandbox box;
  PackageWriter w;
  w.AddWrapped(u"ui\\ok", kPng);
  w.Add(u"a.txt", Text("a"));
  w.Add(u"b.txt", Text("b"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out"), "-v"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{Listed("ui\\ok.png"), "a.txt", "b.txt"}));
  WriteFile(box / "out/a.txt", Text("mine"));
  fs::remove(box / "out/b.txt");

  r = RunRdbtool({"extract", pkg, "-C", U8(box / "out"), "--keep-old-files", "--verbose"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{Listed("ui\\ok.png (kept)"), "a.txt (kept)", "b.txt"}));
  EXPECT_EQ(r.err, "rdbtool extract: 2 existing files kept, not replaced\n");
  EXPECT_EQ(ReadFile(box / "out/a.txt"), Text("mine"));
  EXPECT_EQ(ReadFile(box / "out/b.txt"), Text("b"));
  r = RunRdbtool({"extract", pkg, "-C", U8(box / "out"), "-k"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "rdbtool extract: 3 existing files kept, not replaced\n");
  // Without -k the file is replaced, as before.
  EXPECT_EQ(RunRdbtool({"extract", pkg, "-C", U8(box / "out")}).exitCode, 0);
  EXPECT_EQ(ReadFile(box / "out/a.txt"), Text("a"));
}

TEST(RdbtoolInfo, JsonHoldsWhatTheTextShows) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.png", kPng);
  w.AddWrapped(u"b.gft", kPng);
  w.Add(u"c.txt", Text("ccc"));
  const size_t distant = w.Add(u"far.txt", Text("far"));
  w.At(distant).overrideOffset = true;
  w.At(distant).offset = 1000000;
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult r = RunRdbtool({"info", pkg, "--json"});
  ASSERT_EQ(r.exitCode, 1) << r.err;  // for the entry outside the file
  JsonValue v;
  ASSERT_TRUE(ParseJson(r.out, v)) << r.out;
  ASSERT_EQ(v.kind, JsonValue::kObject);
  const std::pair<const char*, int64_t> fields[] = {{"entries", 4},
                                                    {"data_area_start", static_cast<int64_t>(w.IndexEnd())},
                                                    {"file_size", static_cast<int64_t>(w.Build().size())},
                                                    {"outside", 1},
                                                    {"wrapped", 1}};
  for (const auto& f : fields) {
    ASSERT_NE(v.Get(f.first), nullptr) << f.first;
    EXPECT_EQ(v.Get(f.first)->number, f.second) << f.first;
  }
  const JsonValue* types = v.Get("types");
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->members.size(), 7u);
  EXPECT_EQ(types->Get("png")->Get("entries")->number, 2);
  EXPECT_EQ(types->Get("png")->Get("bytes")->number, static_cast<int64_t>(2 * kPng.size() + 20));
  EXPECT_EQ(types->Get("none")->Get("entries")->number, 1);
  EXPECT_EQ(types->Get("gif")->Get("entries")->number, 0);
}

TEST(RdbtoolCheck, NamesThatAreOneFileOnWindowsAreReported) {
  Sandbox box;
  PackageWriter w;
  const char16_t* names[] = {
      u"ui\\a.png", u"UI/A.PNG",          // letter case and separator
      u"x.txt",     u"x.txt",             // the same name twice
      u"ＡＢ.txt",  u"ａｂ.txt",          // fullwidth letters have case too
      u"σ.txt",     u"Σ.txt", u"ς.txt",   // Greek small, capital and final sigma
      u"ı.txt",     u"I.txt",             // a dotless i is no I to the file system
      u"ß.txt",     u"SS.txt",            // nor is one letter two
  };
  for (const char16_t* n : names) w.Add(n, Text("x"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult r = RunRdbtool({"check", pkg});
  EXPECT_EQ(r.exitCode, 1);
  // Where extract itself would refuse the later name (Windows, and the same name twice
  // anywhere), check gives extract's reason; elsewhere it warns about Windows.
  auto line = [](int n, const std::string& name, int m, const std::string& other, bool extractRefuses) {
    const std::string head = "entry " + std::to_string(n) + " of 13 \"" + name + "\": ";
    if (extractRefuses)
      return head + "extract refuses the name: duplicate: an earlier entry has the same target file (\"" + other + "\")";
    return head + "names the same file on Windows as entry " + std::to_string(m) + " \"" + other +
           "\" (letter case or \"/\" against \"\\\"); on Windows both would be one file";
  };
#if defined(_WIN32)
  const bool windows = true;
#else
  const bool windows = false;
#endif
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 6u) << r.out;
  // Whether the system itself folds a final sigma differs between Windows versions (and
  // Wine): either way check names the clash, as extract's refusal or as a warning.
  if (windows && lines[4] == line(9, "ς.txt", 7, "σ.txt", false)) lines[4] = line(9, "ς.txt", 7, "σ.txt", true);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       line(2, "UI/A.PNG", 1, "ui\\a.png", windows),
                       line(4, "x.txt", 3, "x.txt", true),
                       line(6, "ａｂ.txt", 5, "ＡＢ.txt", windows),
                       line(8, "Σ.txt", 7, "σ.txt", windows),
                       line(9, "ς.txt", 7, "σ.txt", windows),
                       "5 problems"}));
}

TEST(RdbtoolUsage, NewCommandsHaveHelpAndRefuseBadUsage) {
  Sandbox box;
  const std::string pkg = U8(WritePackage(box, "p.rdb", PackageWriter()));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  const Case cases[] = {
      {{"update", "--help"}, 0},
      {{"cat", "--help"}, 0},
      {{"update", pkg}, 2},                                         // no -o
      {{"update", pkg, "-o", U8(box / "n.rdb"), "--replace", "x"}, 2},  // no "="
      {{"update", pkg, "-o", U8(box / "n.rdb"), "--bogus"}, 2},
      {{"info", pkg, "--json"}, 0},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunRdbtool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << c.args.back() << ": " << r.err;
  }
  EXPECT_TRUE(Contains(RunRdbtool({"--help"}).out, "update PKG"));
  EXPECT_FALSE(fs::exists(box / "n.rdb"));
}

#if !defined(_WIN32)

TEST(RdbtoolPack, SymbolicLinksAreOneSummaryLineOrFollowedWithL) {
  Sandbox box;
  WriteFile(box / "src/a.txt", Text("a"));
  WriteFile(box / "elsewhere/f.txt", Text("f"));
  fs::create_symlink("a.txt", box / "src/l.txt");
  fs::create_directory_symlink(box / "elsewhere", box / "src/dl");
  fs::create_directory_symlink(".", box / "src/up");
  const std::string pkg = U8(box / "p.rdb");

  ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "rdbtool pack: 3 symbolic links left out (-L follows them, -v names them)\n");
  EXPECT_EQ(ListedNames(RunRdbtool({"list", pkg}).out), (std::set<std::string>{"a.txt"}));

  r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg, "-v"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{"rdbtool pack: dl: symbolic link, not followed",
                                                   "rdbtool pack: l.txt: symbolic link, not followed",
                                                   "rdbtool pack: up: symbolic link, not followed"}));

  // Followed: the files they name are stored; a link back up is named and not walked again.
  r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg, "-L"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "rdbtool pack: up: symbolic link to a folder above it, not followed again\n");
  fs::remove(box / "src/up");
  fs::create_symlink("gone.txt", box / "src/broken.txt");
  r = RunRdbtool({"pack", U8(box / "src"), "-o", pkg, "--dereference"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "rdbtool pack: broken.txt: broken symbolic link\n");
  ASSERT_EQ(RunRdbtool({"extract", pkg, "-C", U8(box / "out")}).exitCode, 0);
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"a.txt", Text("a")},
                                                                 {"dl/", {}},
                                                                 {"dl/f.txt", Text("f")},
                                                                 {"l.txt", Text("a")}}));
}

// Pack holds each name once and each file's record in a few bytes: its memory grows by
// less than 64 bytes a file (it was about a kilobyte), beside a fixed part for its buffers.
TEST(RdbtoolPack, MemoryGrowsByLessThan64BytesAFile) {
  Sandbox box;
  constexpr int kFiles = 20000;
  for (int k = 0; k < 40; ++k) fs::create_directories(box / "src" / ("folder" + std::to_string(k)));
  for (int i = 0; i < kFiles; ++i) {
    std::ofstream(box / "src" / ("folder" + std::to_string(i % 40)) / ("entry" + std::to_string(i) + ".dat"))
        << std::string(static_cast<size_t>(i % 7), 'x');
  }
  fs::create_directories(box / "empty");
  const ToolResult none = RunRdbtool({"pack", U8(box / "empty"), "-o", U8(box / "e.rdb")});
  const ToolResult all = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb")});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(Lines(RunRdbtool({"list", U8(box / "p.rdb"), "-1"}).out).size(), size_t{kFiles});
  constexpr long kBuffersKb = 2048;  // the copy buffer and the index block, once touched
  EXPECT_LT(all.maxResidentKb - none.maxResidentKb, kBuffersKb + 64L * kFiles / 1024)
      << none.maxResidentKb << " KB without files, " << all.maxResidentKb << " KB with them";
}

TEST(RdbtoolProgress, PackDrawsABarOnATerminalOnly) {
  Sandbox box;
  for (int i = 0; i < 30; ++i) WriteFile(box / ("src/f" + std::to_string(i)), Random(500, i));
  ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "tty.rdb")}, true);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(Contains(r.err, "[##############################]  100%  30/30 files\r\n")) << r.err;
  r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "pipe.rdb")});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(box / "tty.rdb"), ReadFile(box / "pipe.rdb"));
}

#endif

// A part shaped like a short alias may reach another entry's file or folder on Windows.
TEST(RdbtoolCheck, WarnsAboutNamesThatLookLikeShortAliases) {
  Sandbox box;
  PackageWriter w;
  for (const char16_t* n : {u"longdirectoryname\\a.txt", u"LONGDI~1\\a.txt", u"docs/PROGRA~2.TXT", u"tilde~name.txt",
                            u"a~b.txt", u"x~1y\\long~1part.txt"})
    w.Add(n, Text("x"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult r = RunRdbtool({"check", pkg});
  EXPECT_EQ(r.exitCode, 1);
  const std::string warning =
      "a part looks like a short (8.3) alias (\"~\" and a digit); on Windows it may name another entry's file or folder";
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"entry 2 of 6 \"LONGDI~1\\a.txt\": " + warning,
                                                    "entry 3 of 6 \"docs/PROGRA~2.TXT\": " + warning,
                                                    "entry 6 of 6 \"x~1y\\long~1part.txt\": " + warning, "3 problems"}));
}
