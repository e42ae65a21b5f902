// rdbtool.exe against what the file system itself does to an extract: a hard link to a
// file elsewhere, short-name aliases, names the system cuts, a folder swapped by another
// process while extract runs, and a write that fails while replacing an existing file.
#include <gtest/gtest.h>

#include <thread>

#include "tests/cli/ToolFixtures.h"
#include "tests/support/HostCommand.h"

namespace {

std::wstring Win(fs::path p) { return p.make_preferred().wstring(); }

std::string U8(const std::wstring& w) { return fs::path(w).u8string(); }

// A name of 100 CJK characters: 300 UTF-8 bytes, more than a host file name takes.
std::u16string LongCjk(const std::u16string& tail) { return std::u16string(100, u'\u4E2D') + tail; }

}  // namespace

// Each case: what is in the folder before, the entries, and what extract must leave.
TEST(RdbtoolWindowsWriter, ExistingFilesAliasesAndCutNames) {
  Sandbox box;
  fs::create_directories(box / "out/longdirectoryname");
  fs::create_directories(box / "outside");
  WriteFile(box / "outside/victim.txt", Text("victim"));
  WriteFile(box / "out/longfilename.txt", Text("old long"));
  ASSERT_TRUE(MakeHostHardLink(Win(box / "out/h.txt"), Win(box / "outside/victim.txt")));
  const std::wstring dirAlias = ShortNameFromDir(Win(box / "out"), L"longdirectoryname");
  const std::wstring fileAlias = ShortNameFromDir(Win(box / "out"), L"longfilename.txt");
  ASSERT_FALSE(dirAlias.empty());
  ASSERT_FALSE(fileAlias.empty());
  fs::remove(box / "out/longdirectoryname");

  PackageWriter w;
  w.Add(u"h.txt", Text("entry h"));
  w.Add(u"longdirectoryname\\a.txt", Text("first a"));
  w.Add(std::u16string(dirAlias.begin(), dirAlias.end()) + u"\\a.txt", Text("second a"));
  w.Add(u"longfilename.txt", Text("new long"));
  w.Add(std::u16string(fileAlias.begin(), fileAlias.end()), Text("through the alias"));
  w.Add(LongCjk(u".txt"), Text("cut one"));
  w.Add(LongCjk(u".bin"), Text("cut two"));
  w.Add(u"ok.txt", Text("ok"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  // The hard link's other name keeps its bytes; the name in the folder gets the entry.
  EXPECT_EQ(ReadFile(box / "outside/victim.txt"), Text("victim"));
  EXPECT_EQ(ReadFile(box / "out/h.txt"), Text("entry h"));
  EXPECT_EQ(ReadFile(box / "out/longdirectoryname/a.txt"), Text("first a"));
  EXPECT_EQ(ReadFile(box / "out/longfilename.txt"), Text("new long"));
  const std::string cjk = fs::path(std::u16string(100, u'\u4E2D')).u8string();
  for (const std::string& reported :
       {U8(dirAlias) + "\\a.txt: alias: the system takes this name for another file or folder's short name",
        U8(fileAlias) + ": alias: the system takes this name for another file or folder's short name",
        cjk + ".txt: name changed by the system: the file it made has another name",
        cjk + ".bin: name changed by the system: the file it made has another name"}) {
    EXPECT_TRUE(Contains(r.err, reported)) << reported << "\n" << r.err;
  }
  EXPECT_TRUE(Contains(r.err, "4 of 8 entries not written")) << r.err;
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"h.txt", Text("entry h")},
                                                                  {"longdirectoryname/", {}},
                                                                  {"longdirectoryname/a.txt", Text("first a")},
                                                                  {"longfilename.txt", Text("new long")},
                                                                  {"ok.txt", Text("ok")}}));
}

// The injected fault stops a file's write part-way: an existing file of that name keeps its
// bytes, and neither a partial file nor a temporary is left.
TEST(RdbtoolWindowsWriter, AFailedWriteKeepsTheExistingFileAndLeavesNothing) {
  Sandbox box;
  const Bytes old = Random(30 * 1024, 1), bigger = Random(50 * 1024, 2);
  WriteFile(box / "out/a.bin", old);
  PackageWriter w;
  w.Add(u"a.bin", bigger);
  w.Add(u"new.bin", bigger);
  w.Add(u"small.txt", Text("fits below the fault"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  ASSERT_TRUE(SetEnvironmentVariableW(L"RDBTOOL_TEST_WRITE_FAULT_AFTER", L"32768"));
  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  SetEnvironmentVariableW(L"RDBTOOL_TEST_WRITE_FAULT_AFTER", nullptr);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "a.bin: write failed: ")) << r.err;
  EXPECT_TRUE(Contains(r.err, "new.bin: write failed: ")) << r.err;
  EXPECT_EQ(ReadTree(box / "out"),
            (std::map<std::string, Bytes>{{"a.bin", old}, {"small.txt", Text("fits below the fault")}}));
}

// Another process renames a folder the extract is writing into and puts a link to a folder
// outside in its place. A program of the system is refused the rename while extract holds
// the folder; the host's rename goes through, and extract still writes nothing outside.
TEST(RdbtoolWindowsWriter, AFolderSwappedDuringTheExtractIsNotFollowed) {
  Sandbox box;
  fs::create_directories(box / "outside");
  fs::create_directories(box / "out");
  const int count = 400;
  PackageWriter w;
  for (int i = 0; i < count; ++i) w.Add(u"sub\\f" + std::u16string(fs::path(std::to_string(1000 + i)).u16string()), Random(128 * 1024, i));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  const std::string out = HostPath(Win(box / "out")), outside = HostPath(Win(box / "outside"));
  ASSERT_FALSE(out.empty());
  // The host's swap, as soon as the first file is there.
  const HostShell swapper = StartHostShell("for i in $(seq 3000); do [ -e '" + out + "/sub/f1000' ] && break; sleep 0.01; done; "
                                        "mv '" + out + "/sub' '" + out + "/sub-old' && ln -s '" + outside + "' '" + out + "/sub'");
  ASSERT_TRUE(swapper.started);
  bool systemRenameTried = false, systemRenameRefused = false;
  std::thread systemSwap([&] {
    const std::wstring sub = Win(box / "out/sub"), first = Win(box / "out/sub/f1000");
    for (int i = 0; i < 3000 && GetFileAttributesW(first.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(1);
    systemRenameTried = true;
    systemRenameRefused = !MoveFileW(sub.c_str(), Win(box / "out/sub-sys").c_str());
  });
  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  systemSwap.join();
  const int swapped = WaitHostShell(swapper, 60000);

  EXPECT_TRUE(systemRenameTried);
  EXPECT_TRUE(systemRenameRefused);
  ASSERT_EQ(swapped, 0) << "the host's swap did not happen";
  EXPECT_TRUE(ReadTree(box / "outside").empty());
  // Every entry is in the renamed folder with its whole content, or named as not written.
  size_t failed = 0;
  for (int i = 0; i < count; ++i) {
    const std::string n = "f" + std::to_string(1000 + i);
    if (Contains(r.err, "sub\\" + n + ": ")) ++failed;
    else EXPECT_EQ(ReadFile(box / ("out/sub-old/" + n)), Random(128 * 1024, i)) << n;
  }
  // The swap came while extract was writing.
  EXPECT_GT(failed, 0u) << r.err;
  EXPECT_EQ(r.exitCode, failed ? 1 : 0);
}
