// The built rdbtool changing packages and writing them where Unix tools write: update's
// result byte for byte, the old package never changed in place, and pack's and update's
// -o with standard output, devices, links and the input itself.
#include <gtest/gtest.h>

#include <cctype>

#include "tests/cli/ToolFixtures.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

// A wrapped PNG behind a 24-byte header whose unread bytes are not zero, so that a kept
// header can be told from a fresh one.
Bytes OwnHeader(const Bytes& payload) {
  Bytes wrapped = PackageWriter::Wrap(payload, 24);
  wrapped[5] = 7;
  wrapped[21] = 9;
  return wrapped;
}

// The header of ui\ok below.
Bytes KeptHeader() {
  const Bytes wrapped = OwnHeader(kPng);
  return Bytes(wrapped.begin(), wrapped.begin() + 24);
}

const Bytes kNewPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 'n', 'e', 'w'};

PackageWriter OldPackage() {
  PackageWriter w;
  w.Add(u"a.txt", Text("old a"));
  w.Add(u"ui\\ok", OwnHeader(kPng));
  w.Add(u"b.bin", Random(3000, 7));
  w.Add(u"c.txt", Text("c"));
  w.Add(u"d.xml", Text("<d/>"));
  return w;
}

#if !defined(_WIN32)
// The memory device of minor number `minor` (3 null, 7 full): a node of its own in the
// sandbox when the test may make one (as root), so that a tool that replaced the node
// could not harm the system's; else the system's, which such a tool could not replace.
std::string DeviceNode(const Sandbox& box, const std::string& name, unsigned minor) {
  const fs::path node = box / name;
  if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0) return U8(node);
  return "/dev/" + name;
}
#endif

Bytes Join(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

}  // namespace

TEST(RdbtoolUpdate, KeepsOrderAndBytesReplacesInPlaceAndAddsAtTheEnd) {
  Sandbox box;
  const std::string pkg = U8(WritePackage(box, "p.rdb", OldPackage()));
  WriteFile(box / "new.png", kNewPng);
  WriteFile(box / "mod/a.txt", Text("new a"));        // the name of an entry: replaces it in place
  WriteFile(box / "mod/new/e.txt", Text("e"));        // a new name: at the end
#if !defined(_WIN32)
  WriteFile(box / "mod/new/CON.png", Text("device")); // refused as pack refuses it (Windows makes no such file)
#endif
  const std::string out = U8(box / "n.rdb");

  ToolResult r = RunRdbtool({"update", pkg, "-o", out, "--replace", "UI/OK=" + U8(box / "new.png"), "--remove",
                             "c.*", "--add", U8(box / "mod")});
#if !defined(_WIN32)
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "CON.png: extract would refuse it")) << r.err;
#else
  EXPECT_EQ(r.exitCode, 0) << r.err;
#endif
  PackageWriter expected;
  expected.Add(u"a.txt", Text("new a"));
  expected.Add(u"ui\\ok", Join(KeptHeader(), kNewPng));
  expected.Add(u"b.bin", Random(3000, 7));
  expected.Add(u"d.xml", Text("<d/>"));
  expected.Add(u"new\\e.txt", Text("e"));
  EXPECT_EQ(ReadFile(box / "n.rdb"), expected.Build());
  EXPECT_EQ(ReadFile(box / "p.rdb"), OldPackage().Build());  // the old package is untouched

  // -v names each change; nothing else is said when all goes well.
  r = RunRdbtool({"update", pkg, "-o", out, "--remove", "b.bin", "--remove", "b.*", "--add", U8(box / "mod/new/e.txt"), "-v"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"removed b.bin", "added e.txt from e.txt"}));

  // No change at all copies the entries.
  r = RunRdbtool({"update", pkg, "-o", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(box / "n.rdb"), OldPackage().Build());
}

TEST(RdbtoolUpdate, AFileNamedAsExtractWroteItReplacesTheWrappedEntry) {
  Sandbox box;
  const std::string pkg = U8(WritePackage(box, "p.rdb", OldPackage()));
  ASSERT_EQ(RunRdbtool({"extract", pkg, "-C", U8(box / "work")}).exitCode, 0);
  ASSERT_EQ(ReadFile(box / "work/ui/ok.png"), kPng);
  WriteFile(box / "work/ui/ok.png", kNewPng);  // the modder's edit
  fs::remove(box / "work/a.txt");
  fs::remove(box / "work/b.bin");
  fs::remove(box / "work/c.txt");
  fs::remove(box / "work/d.xml");

  const ToolResult r = RunRdbtool({"update", pkg, "-o", U8(box / "n.rdb"), "--add", U8(box / "work")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  PackageWriter expected = OldPackage();
  expected.At(1).data = Join(KeptHeader(), kNewPng);
  EXPECT_EQ(ReadFile(box / "n.rdb"), expected.Build());
  ASSERT_EQ(RunRdbtool({"extract", U8(box / "n.rdb"), "-C", U8(box / "again"), "ui/ok"}).exitCode, 0);
  EXPECT_EQ(ReadFile(box / "again/ui/ok.png"), kNewPng);
}

TEST(RdbtoolUpdate, TheInputItselfIsReplacedOnlyWhenTheNewPackageIsComplete) {
  Sandbox box;
  const fs::path pkg = WritePackage(box, "p.rdb", OldPackage());
  ToolResult r = RunRdbtool({"update", U8(pkg), "-o", U8(pkg), "--remove", "c.txt"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  PackageWriter expected = OldPackage();
  PackageWriter without;
  for (size_t i = 0; i < expected.Count(); ++i)
    if (expected.At(i).name != u"c.txt") without.Add(expected.At(i).name, expected.At(i).data);
  EXPECT_EQ(ReadFile(pkg), without.Build());
  EXPECT_EQ(ReadTree(box.Root()).size(), 1u);  // no temporary file left beside it

  // Refusals write nothing, not even over the input.
  struct Case {
    std::vector<std::string> args;
    const char* said;
  };
  WriteFile(box / "f.txt", Text("f"));
  const Case cases[] = {
      {{"--remove", "zz*"}, "--remove 'zz*' matches no entry"},
      {{"--replace", "missing.txt=" + U8(box / "f.txt")}, "--replace missing.txt: no such entry"},
      {{"--replace", "a.txt=" + U8(box / "nothing-here")}, "cannot read"},
      {{"--replace", "a.txt=" + U8(box / "f.txt"), "--remove", "a.*"}, "a.txt: both removed by --remove 'a.*' and replaced"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"update", U8(pkg), "-o", U8(pkg)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    r = RunRdbtool(args);
    EXPECT_EQ(r.exitCode, 2) << c.said;
    EXPECT_TRUE(Contains(r.err, c.said)) << r.err;
    EXPECT_TRUE(Contains(r.err, "nothing written")) << r.err;
    EXPECT_EQ(ReadFile(pkg), without.Build());
  }
  EXPECT_EQ(ReadTree(box.Root()).size(), 2u);
}

TEST(RdbtoolUpdate, DamagedEntriesAreLeftOutAndNamed) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"good.txt", Text("good"));
  const size_t distant = w.Add(u"far.bin", Text("far"));
  w.At(distant).overrideOffset = true;
  w.At(distant).offset = 1000000;
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult r = RunRdbtool({"update", pkg, "-o", U8(box / "n.rdb")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "rdbtool update: far.bin: left out: its data lies outside the package file\n");
  PackageWriter expected;
  expected.Add(u"good.txt", Text("good"));
  EXPECT_EQ(ReadFile(box / "n.rdb"), expected.Build());
}

// A package whose index is larger than the blocks it is written in and whose kept runs are
// megabytes, copied by the system: every entry keeps its bytes and its offset is moved by
// what changed before it, also by an odd number of bytes.
TEST(RdbtoolUpdate, LargePackagesKeepEveryEntry) {
  Sandbox box;
  constexpr size_t kEntries = 6000;
  auto name = [](size_t i) {
    std::string digits = std::to_string(i);
    const std::string text = "data\\" + std::string(5 - digits.size(), '0') + digits + "-a-longer-name.bin";
    return std::u16string(text.begin(), text.end());
  };
  auto data = [](size_t i) { return Random(500 + i % 200, static_cast<unsigned>(i)); };
  PackageWriter old;
  for (size_t i = 0; i < kEntries; ++i) old.Add(name(i), data(i));
  const std::string pkg = U8(WritePackage(box, "p.rdb", old));
  WriteFile(box / "odd.bin", Random(777, 1));
  WriteFile(box / "big.bin", Random(5000, 2));

  struct Case {
    std::vector<std::string> changes;
    size_t replaced1, replaced2;  // entries given odd.bin and big.bin (kEntries: none)
    size_t removedFrom, removedTo;
  } cases[] = {
      {{}, kEntries, kEntries, 0, 0},
      {{"--replace", "data/03001-a-longer-name.bin=" + U8(box / "odd.bin")}, 3001, kEntries, 0, 0},
      {{"--remove", "data\\0010*", "--replace", "data/05999-a-longer-name.bin=" + U8(box / "big.bin"),
        "--replace", "data/00007-a-longer-name.bin=" + U8(box / "odd.bin")},
       7, 5999, 100, 110},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"update", pkg, "-o", U8(box / "n.rdb")};
    args.insert(args.end(), c.changes.begin(), c.changes.end());
    const ToolResult r = RunRdbtool(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    PackageWriter expected;
    for (size_t i = 0; i < kEntries; ++i) {
      if (i >= c.removedFrom && i < c.removedTo) continue;
      expected.Add(name(i), i == c.replaced1 ? Random(777, 1) : i == c.replaced2 ? Random(5000, 2) : data(i));
    }
    EXPECT_TRUE(ReadFile(box / "n.rdb") == expected.Build()) << c.changes.size() << " arguments of changes";
  }
}

// Replacing the entries of one name copies the old data ahead while the index is read,
// guessing where it goes; the package must come out byte for byte as written in order,
// whether the guess holds (one plain or wrapped entry, first, middle or last) or not (two
// entries of the name, data out of index order, bytes behind the last entry, a damaged
// entry, a new file that begins with a wrap header), with the data larger than the
// copies' steps.
TEST(RdbtoolUpdate, ReplacingOneNameGivesTheSameBytesWhetherTheCopiesAheadGuessedRight) {
  Sandbox box;
  constexpr size_t kEntries = 3000;
  auto name = [](size_t i) {
    const std::string text = "d\\" + std::to_string(10000 + i) + ".bin";
    return std::u16string(text.begin(), text.end());
  };
  auto data = [](size_t i) { return Random(2000 + i % 1000, static_cast<unsigned>(i)); };
  // Entries 10 and 1010 have the same size: "swapped" stores each one's bytes where the
  // other's would be.
  auto build = [&](bool swapped, bool damaged) {
    PackageWriter w;
    uint64_t offset = 0, offset10 = 0, offset1010 = 0;
    for (size_t i = 0; i < kEntries; ++i) {
      if (i == 10) offset10 = offset;
      if (i == 1010) offset1010 = offset;
      w.Add(name(i), data(i));
      offset += data(i).size();
      if (i == 1500) {
        w.Add(u"ui\\icon", OwnHeader(kPng));
        offset += OwnHeader(kPng).size();
        w.Add(u"x\\Twin.bin", Text("first twin"));
        offset += 10;
      }
    }
    w.Add(u"x\\twin.bin", Text("second twin"));
    if (swapped) {
      w.At(10).overrideOffset = w.At(1010).overrideOffset = true;
      w.At(10).offset = offset1010;
      w.At(1010).offset = offset10;
    }
    if (damaged) {
      w.At(2000).overrideOffset = true;
      w.At(2000).offset = 1ull << 31;
    }
    return w;
  };
  const Bytes fresh = Random(6000000, 5);  // more than the copies' 4 MiB steps
  WriteFile(box / "fresh.bin", fresh);
  const Bytes small = Text("small");
  WriteFile(box / "small.txt", small);
  const Bytes looksWrapped = PackageWriter::Wrap(kGif);  // begins with a header: wrapped once more
  WriteFile(box / "wrapped.gif", looksWrapped);

  struct Case {
    const char* what;
    std::string target;  // --replace NAME
    std::string file;
    bool swapped, damaged, trailing;
  };
  const Case cases[] = {
      {"the middle entry, larger", "d/11400.bin", "fresh.bin", false, false, false},
      {"the first entry, smaller", "d/10000.bin", "small.txt", false, false, false},
      {"the last entry of the d folder", "d/12999.bin", "small.txt", false, false, false},
      {"a wrapped entry keeps its header", "ui/icon", "small.txt", false, false, false},
      {"a file that looks wrapped is wrapped again", "d/11400.bin", "wrapped.gif", false, false, false},
      {"two entries of the name", "X/TWIN.BIN", "small.txt", false, false, false},
      {"data out of index order", "d/11400.bin", "small.txt", true, false, false},
      {"data out of order, the moved entry replaced", "d/10010.bin", "fresh.bin", true, false, false},
      {"bytes behind the last entry", "d/11400.bin", "small.txt", false, false, true},
      {"a damaged entry behind", "d/11400.bin", "fresh.bin", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageWriter old = build(c.swapped, c.damaged);
    Bytes oldBytes = old.Build();
    if (c.trailing) oldBytes.insert(oldBytes.end(), 5000, 0xEE);
    WriteFile(box / "p.rdb", oldBytes);
    const Bytes replacement = ReadFile(box / c.file);
    // What the package holds afterwards, in order.
    PackageWriter expected;
    for (size_t i = 0; i < old.Count(); ++i) {
      PackageWriter::Entry e = old.At(i);
      if (c.damaged && i == 2000) continue;
      if (c.swapped && (i == 10 || i == 1010)) e.data = old.At(i == 10 ? 1010 : 10).data;
      std::string n(e.name.begin(), e.name.end());
      for (char& ch : n) ch = ch == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      std::string t = c.target;
      for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (n == t) {
        if (e.name == u"ui\\icon")
          e.data = Join(KeptHeader(), replacement);
        else if (c.file == std::string("wrapped.gif"))
          e.data = Join(PackageWriter::Wrap({}), replacement);
        else
          e.data = replacement;
      }
      expected.Add(e.name, e.data);
    }
    const ToolResult r =
        RunRdbtool({"update", U8(box / "p.rdb"), "-o", U8(box / "n.rdb"), "--replace", c.target + "=" + U8(box / c.file)});
    EXPECT_EQ(r.exitCode, c.damaged ? 1 : 0) << r.err;
    EXPECT_TRUE(ReadFile(box / "n.rdb") == expected.Build());
  }
}

TEST(RdbtoolOutput, StandardOutputGetsTheSamePackageAsAFile) {
  Sandbox box;
  WriteFile(box / "src/a.txt", Text("a"));
  WriteFile(box / "src/ui/x.gft.png", kPng);
  WriteFile(box / "src/raw.gft", PackageWriter::Wrap(kGif));  // wrapped again: the size grows by a header
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "file.rdb"), "--wrap", "png"}).exitCode, 0);
  const Bytes packed = ReadFile(box / "file.rdb");

  fs::remove("-");  // left by an earlier run of a tool that made a file of that name
  ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", "-", "--wrap", "png"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), packed);
  EXPECT_FALSE(fs::exists("-"));

  WriteFile(box / "b.txt", Text("b"));
  r = RunRdbtool({"update", U8(box / "file.rdb"), "-o", "-", "--add", U8(box / "b.txt")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(RunRdbtool({"update", U8(box / "file.rdb"), "-o", U8(box / "u.rdb"), "--add", U8(box / "b.txt")}).exitCode, 0);
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), ReadFile(box / "u.rdb"));

  // A device is written through.
#if defined(_WIN32)
  r = RunRdbtool({"pack", U8(box / "src"), "-o", "NUL"});
#else
  const std::string null = DeviceNode(box, "null", 3);
  r = RunRdbtool({"pack", U8(box / "src"), "-o", null});
  EXPECT_EQ(fs::status(null).type(), fs::file_type::character);
#endif
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // A folder is refused.
  r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "src/ui")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "is a folder")) << r.err;
}

#if !defined(_WIN32)

TEST(RdbtoolOutput, DevicesAndLinksAreWrittenThroughNeverReplaced) {
  Sandbox box;
  WriteFile(box / "src/a.txt", Text("a"));
  WriteFile(box / "src/b.txt", Random(100000, 3));
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "file.rdb")}).exitCode, 0);
  const Bytes packed = ReadFile(box / "file.rdb");

  // A full device: the failure is said, and the device stays a device.
  const std::string full = DeviceNode(box, "full", 7);
  ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", full});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "cannot write to '" + full + "': No space left on device")) << r.err;
  struct stat st;
  ASSERT_EQ(stat(full.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  // A link is followed: the file it names gets the package, the link stays.
  WriteFile(box / "target.rdb", Text("old"));
  fs::create_symlink("target.rdb", box / "link.rdb");
  r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "link.rdb")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(box / "link.rdb"));
  EXPECT_EQ(ReadFile(box / "target.rdb"), packed);
  // Also a link to a file not made yet, and update writing through a link to its own input.
  fs::create_symlink("later.rdb", box / "dangling.rdb");
  EXPECT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "dangling.rdb")}).exitCode, 0);
  EXPECT_EQ(ReadFile(box / "later.rdb"), packed);
  r = RunRdbtool({"update", U8(box / "target.rdb"), "-o", U8(box / "link.rdb"), "--remove", "b.txt"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(box / "link.rdb"));
  EXPECT_EQ(RunRdbtool({"list", U8(box / "target.rdb")}).out, "1\tnone\tplain\ta.txt\n");

  // A replaced package keeps its permissions.
  fs::permissions(box / "file.rdb", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "file.rdb")}).exitCode, 0);
  EXPECT_EQ(fs::status(box / "file.rdb").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

#endif
