// rdbtool mount, mounted for real: the tree it shows against what extract writes, reads
// at odd places from several threads, a package that shrinks while mounted, every way of
// unmounting and every error. Needs /dev/fuse and the right to mount (root, or fuse3's
// fusermount3): without them these tests fail, they do not pass unseen.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <set>
#include <thread>

#include "tests/cli/ToolFixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where a process of Start writes its standard output or error.
fs::path OutputOf(const Sandbox& box, pid_t pid, const char* stream) {
  return box / ("run" + std::to_string(pid) + "." + stream);
}

// Runs `argv` with standard output and error into files of `box`; returns the process id.
pid_t Start(const Sandbox& box, const std::vector<std::string>& argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string out = U8(OutputOf(box, getpid(), "out"));
    const std::string err = U8(OutputOf(box, getpid(), "err"));
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Waits for a process of Start and collects what it wrote.
ToolResult Finish(const Sandbox& box, pid_t pid) {
  ToolResult r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const Bytes out = ReadFile(OutputOf(box, pid, "out"));
  const Bytes err = ReadFile(OutputOf(box, pid, "err"));
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

class Tool {
 public:
  explicit Tool(const Sandbox& box) : box_(box) {}
  // rdbtool with `args`, to its end (for mount in the background: until the mount is ready).
  ToolResult Run(const std::vector<std::string>& args) { return Finish(box_, Start(args)); }
  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {RDBTOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return StartArgv(argv);
  }
  pid_t StartArgv(const std::vector<std::string>& argv) { return ::Start(box_, argv); }
  ToolResult Wait(pid_t pid) { return Finish(box_, pid); }

 private:
  const Sandbox& box_;
};

bool IsMounted(const fs::path& point) {
  const std::string target = fs::absolute(point).lexically_normal().string();
  std::ifstream info("/proc/self/mountinfo");
  std::string line;
  while (std::getline(info, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    fields >> id >> parent >> device >> root >> mountPoint;
    if (mountPoint == target) return true;
  }
  return false;
}

// A process (other than this one) whose command line names `text` and mount: a mount's
// server; -1 when there is none.
pid_t ServerOf(const std::string& text) {
  for (const auto& p : fs::directory_iterator("/proc")) {
    const std::string name = p.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos || std::stoi(name) == getpid()) continue;
    std::ifstream f(p.path() / "cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (cmdline.find(text) != std::string::npos && cmdline.find("mount") != std::string::npos) return std::stoi(name);
  }
  return -1;
}

bool ServerRunning(const fs::path& point) { return ServerOf(point.string()) > 0; }

template <typename Condition>
bool WaitFor(Condition condition, double seconds = 10) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Never leaves a mount behind, whatever a test did.
class MountPoint {
 public:
  MountPoint(const Sandbox& box, const std::string& name) : path_(box / name) { fs::create_directories(path_); }
  ~MountPoint() {
    if (IsMounted(path_)) umount2(path_.c_str(), MNT_DETACH);
    WaitFor([&] { return !ServerRunning(path_); }, 5);
  }
  const fs::path& Path() const { return path_; }
  std::string Str() const { return U8(path_); }
  fs::path operator/(const std::string& rel) const { return path_ / fs::u8path(rel); }

 private:
  fs::path path_;
};

class Mount : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(access("/dev/fuse", R_OK | W_OK), 0)
        << "/dev/fuse is missing or not usable (" << std::strerror(errno)
        << "): these tests mount for real and cannot run without FUSE";
  }
};

// What each tool said about the entries it left out, without the command's name and the
// summary line ("N of M entries not written/shown").
std::multiset<std::string> EntryReports(const std::string& err, const std::string& command) {
  std::multiset<std::string> out;
  const std::string prefix = "rdbtool " + command + ": ";
  for (std::string line : Lines(err)) {
    if (line.rfind(prefix, 0) != 0 || Contains(line, " entries not ")) continue;
    line = line.substr(prefix.size());
    const size_t w = line.find("write failed: ");
    if (w != std::string::npos) line.erase(w, 14);
    out.insert(line);
  }
  return out;
}

// Extracts `packages` one after another into one folder and mounts them together: the
// mounted tree must be that folder, byte for byte, read-only, with the same reports.
void ExpectMountEqualsExtract(const Sandbox& box, const std::vector<fs::path>& packages,
                              const std::vector<std::string>& options = {}, size_t reported = 0) {
  Tool tool(box);
  const fs::path extracted = box / "extracted";
  std::multiset<std::string> extractReports;
  for (const fs::path& p : packages) {
    std::vector<std::string> args = {"extract", U8(p), "-C", U8(extracted)};
    args.insert(args.end(), options.begin(), options.end());
    const ToolResult r = tool.Run(args);
    ASSERT_LE(r.exitCode, 1) << r.err;
    if (packages.size() == 1) extractReports = EntryReports(r.err, "extract");
  }
  MountPoint mnt(box, "mnt");
  std::vector<std::string> args = {"mount"};
  for (const fs::path& p : packages) args.push_back(U8(p));
  args.push_back(mnt.Str());
  args.insert(args.end(), options.begin(), options.end());
  const ToolResult r = tool.Run(args);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(IsMounted(mnt.Path()));
  // Ready when the command returns: read at once.
  EXPECT_EQ(ReadTree(mnt.Path()), ReadTree(extracted));
  EXPECT_EQ(std::system(("diff -r '" + U8(extracted) + "' '" + mnt.Str() + "'").c_str()), 0);
  for (auto it = fs::recursive_directory_iterator(mnt.Path()); it != fs::recursive_directory_iterator(); ++it) {
    struct stat st;
    ASSERT_EQ(lstat(it->path().c_str(), &st), 0);
    const fs::path twin = extracted / fs::relative(it->path(), mnt.Path());
    if (S_ISDIR(st.st_mode)) {
      EXPECT_EQ(st.st_mode & 07777, 0555u) << it->path();
    } else {
      EXPECT_TRUE(S_ISREG(st.st_mode)) << it->path();
      EXPECT_EQ(st.st_mode & 07777, 0444u) << it->path();
      EXPECT_EQ(static_cast<uintmax_t>(st.st_size), fs::file_size(twin)) << it->path();
    }
  }
  if (packages.size() == 1) EXPECT_EQ(EntryReports(r.err, "mount"), extractReports) << r.err;
  EXPECT_EQ(EntryReports(r.err, "mount").size(), reported) << r.err;
  EXPECT_EQ(std::system(("fusermount3 -u '" + mnt.Str() + "'").c_str()), 0);
}

PackageWriter PlainPackage() {
  PackageWriter w;
  w.Add(u"readme.txt", Text("hello"));
  w.Add(u"ui\\btn\\ok.xml", Text("<ok/>"));
  w.Add(u"ui/btn/empty.lua", {});
  w.Add(u"界面\\按钮 1.xml", Text("<界面/>"));
  w.Add(u"data\\big.bin", Random(300001, 1));
  w.Add(u"Data\\BIG.bin", Random(17, 2));  // another file on this system
  return w;
}

PackageWriter WrappedPackage() {
  PackageWriter w;
  w.AddWrapped(u"ui\\icons\\ok", kPng);                   // ui/icons/ok.png
  w.AddWrapped(u"ui\\icons\\photo.gft", kJpg, 44);        // a longer header: ui/icons/photo.gft.jpg
  w.AddWrapped(u"raw\\own.gft", PackageWriter::Wrap(kGif));  // one header removed, its own left
  w.Add(u"raw\\short.gft", Text("TGF"));                  // too short to be wrapped: as it is
  w.Add(u"ui\\icons\\plain.png", kPng);
  Bytes bigPng = kPng;
  const Bytes tail = Random(200003, 3);
  bigPng.insert(bigPng.end(), tail.begin(), tail.end());
  w.AddWrapped(u"ui\\big", bigPng);
  w.AddWrapped(u"ui\\far", kPng, 300);  // the content's signature well behind the entry's start
  // The first entry's bytes again, read out of the file's order: again/ok.png.
  w.At(w.Add(u"again\\ok", {})).overrideOffset = true;
  w.At(w.Count() - 1).offset = 0;
  w.At(w.Count() - 1).overrideSize = true;
  w.At(w.Count() - 1).size = static_cast<int64_t>(PackageWriter::Wrap(kPng).size());
  return w;
}

PackageWriter HostilePackage() {
  PackageWriter w;
  w.Add(u"fine\\ok.txt", Text("ok"));
  for (const char16_t* name : {u"..\\evil.txt", u"C:\\x.txt", u"a:b", u"CON.png", u"dir\\x.", u"ctl\x01.txt",
                               u"<x>.txt", u"\\\\server\\share", u"", u"fine\\..\\up"})
    w.Add(name, Text("bad"));
  w.Add(u"dup.txt", Text("first"));
  w.Add(u"dup.txt", Text("second"));
  w.Add(u"c", Text("file c"));
  w.Add(u"c\\d", Text("under c"));
  w.Add(std::u16string(u"lone") + char16_t(0xDC00) + u".txt", Text("surrogate"));
  w.At(w.Add(u"fine\\outside.bin", Text("x"))).overrideOffset = true;
  w.At(w.Count() - 1).offset = 1u << 30;
  w.At(w.Add(u"fine\\negative.bin", Text("x"))).overrideSize = true;
  w.At(w.Count() - 1).size = -5;
  w.Add(u"hidden\\only\\outside.bin", Text("x"));  // its folders must not appear either
  w.At(w.Count() - 1).overrideOffset = true;
  w.At(w.Count() - 1).offset = 1u << 30;
  return w;
}

}  // namespace

TEST_F(Mount, ShowsWhatExtractWrites) {
  struct Case {
    const char* what;
    PackageWriter (*make)();
    std::vector<std::string> options;
    size_t reported;  // entries named on standard error
  };
  const Case cases[] = {
      {"plain", PlainPackage, {}, 0},
      {"wrapped", WrappedPackage, {}, 0},
      {"hostile names", HostilePackage, {}, 16},
      {"--type png", WrappedPackage, {"--type", "png"}, 0},
      {"--match", PlainPackage, {"--match", "ui/*"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    ExpectMountEqualsExtract(box, {WritePackage(box, "p.rdb", c.make())}, c.options, c.reported);
  }
}

TEST_F(Mount, LaterPackagesWinAndFoldersMerge) {
  Sandbox box;
  PackageWriter base = PlainPackage();
  base.Add(u"ui\\icons\\a.png", Text("base a"));
  base.Add(u"ui\\icons\\b.png", Text("base b"));
  PackageWriter patch;
  patch.AddWrapped(u"ui\\icons\\a", kPng);          // the same file as extract writes it: ui/icons/a.png
  patch.Add(u"readme.txt", Text("patched readme"));
  patch.Add(u"ui\\new\\c.lua", Text("new"));
  PackageWriter patch2;
  patch2.Add(u"readme.txt", Text("second patch"));
  const fs::path b = WritePackage(box, "base.rdb", base);
  const fs::path p = WritePackage(box, "patch.rdb", patch);
  const fs::path p2 = WritePackage(box, "patch2.rdb", patch2);
  ExpectMountEqualsExtract(box, {b, p, p2});
  // And so that the test cannot pass on extract's mistakes alone:
  Tool tool(box);
  MountPoint mnt(box, "mnt2");
  ASSERT_EQ(tool.Run({"mount", U8(b), U8(p), U8(p2), mnt.Str()}).exitCode, 0);
  EXPECT_EQ(ReadFile(mnt / "readme.txt"), Text("second patch"));
  EXPECT_EQ(ReadFile(mnt / "ui/icons/a.png"), kPng);
  EXPECT_EQ(ReadFile(mnt / "ui/icons/b.png"), Text("base b"));
  EXPECT_EQ(ReadFile(mnt / "ui/new/c.lua"), Text("new"));
}

TEST_F(Mount, ReadsAtOddPlacesFromSeveralThreads) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"first.txt", Text("x"));  // the data of the others starts at an odd offset
  const Bytes big = Random(1000003, 7);
  w.Add(u"big.bin", big);
  Bytes png = kPng;
  const Bytes tail = Random(70001, 8);
  png.insert(png.end(), tail.begin(), tail.end());
  w.AddWrapped(u"pic", png, 23);
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  Tool tool(box);
  MountPoint mnt(box, "mnt");
  ASSERT_EQ(tool.Run({"mount", U8(pkg), mnt.Str()}).exitCode, 0);

  struct File {
    fs::path path;
    const Bytes* bytes;
  };
  const File files[] = {{mnt / "big.bin", &big}, {mnt / "pic.png", &png}};
  std::atomic<int> mismatches{0}, reads{0};
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 rng(t);
      for (const File& f : files) {
        const int fd = open(f.path.c_str(), O_RDONLY);
        if (fd < 0) {
          ++mismatches;
          continue;
        }
        std::vector<uint8_t> buffer(300000);
        for (int i = 0; i < 150; ++i) {
          const size_t size = f.bytes->size();
          const size_t offset = rng() % (size + 100);  // sometimes past the end
          const size_t length = 1 + rng() % buffer.size();
          const ssize_t n = pread(fd, buffer.data(), length, static_cast<off_t>(offset));
          const size_t want = offset >= size ? 0 : std::min(length, size - offset);
          if (n != static_cast<ssize_t>(want) ||
              !std::equal(buffer.begin(), buffer.begin() + static_cast<long>(want), f.bytes->begin() + static_cast<long>(std::min(offset, size))))
            ++mismatches;
          ++reads;
        }
        close(fd);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(reads.load(), 8 * 2 * 150);
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(ReadFile(mnt / "big.bin"), big);
  EXPECT_EQ(ReadFile(mnt / "pic.png"), png);
}

TEST_F(Mount, APackageThatShrinksGivesIoErrorsAndTheMountLives) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"early.txt", Text("early bytes"));
  w.Add(u"late.bin", Random(300000, 9));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  Tool tool(box);
  MountPoint mnt(box, "mnt");
  ASSERT_EQ(tool.Run({"mount", U8(pkg), mnt.Str()}).exitCode, 0);

  ASSERT_EQ(truncate(pkg.c_str(), static_cast<off_t>(fs::file_size(pkg) - 1000)), 0);
  const int fd = open((mnt / "late.bin").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  char buffer[4096];
  errno = 0;
  EXPECT_EQ(read(fd, buffer, sizeof buffer), -1);
  EXPECT_EQ(errno, EIO);
  close(fd);
  // Still mounted and serving what is still there.
  EXPECT_TRUE(IsMounted(mnt.Path()));
  EXPECT_EQ(ReadFile(mnt / "early.txt"), Text("early bytes"));

  // Shrunk to nothing: an I/O error again, never a crash.
  ASSERT_EQ(truncate(pkg.c_str(), 0), 0);
  std::ifstream f(mnt / "late.bin", std::ios::binary);
  EXPECT_TRUE(f.is_open());
  f.read(buffer, 100);
  EXPECT_EQ(f.gcount(), 0);
  EXPECT_TRUE(IsMounted(mnt.Path()));
  EXPECT_TRUE(ServerRunning(mnt.Path()));
  EXPECT_TRUE(fs::exists(mnt / "early.txt"));
}

TEST_F(Mount, EndsCleanlyEveryWay) {
  enum How { kFusermount, kUmount, kSigint, kSigterm, kSigtermBackground };
  const struct {
    const char* what;
    How how;
  } cases[] = {
      {"fusermount3 -u", kFusermount}, {"umount", kUmount}, {"SIGINT in the foreground", kSigint},
      {"SIGTERM in the foreground", kSigterm}, {"SIGTERM in the background", kSigtermBackground},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    PackageWriter w;
    w.Add(u"a\\b.txt", Text("b"));
    const fs::path pkg = WritePackage(box, "p.rdb", w);
    Tool tool(box);
    MountPoint mnt(box, "mnt");
    const bool foreground = c.how == kSigint || c.how == kSigterm;
    pid_t pid = -1;
    if (foreground) {
      pid = tool.Start({"mount", "-f", U8(pkg), mnt.Str()});
      ASSERT_TRUE(WaitFor([&] { return IsMounted(mnt.Path()); }));
    } else {
      ASSERT_EQ(tool.Run({"mount", U8(pkg), mnt.Str()}).exitCode, 0);
    }
    EXPECT_EQ(ReadFile(mnt / "a/b.txt"), Text("b"));
    ASSERT_TRUE(ServerRunning(mnt.Path()));
    switch (c.how) {
      case kFusermount: EXPECT_EQ(std::system(("fusermount3 -u '" + mnt.Str() + "'").c_str()), 0); break;
      case kUmount: EXPECT_EQ(std::system(("umount '" + mnt.Str() + "'").c_str()), 0); break;
      case kSigint: kill(pid, SIGINT); break;
      case kSigterm: kill(pid, SIGTERM); break;
      case kSigtermBackground: {
        const pid_t server = ServerOf(mnt.Str());
        ASSERT_GT(server, 0);
        kill(server, SIGTERM);
        break;
      }
    }
    if (foreground) {
      const ToolResult r = tool.Wait(pid);
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(WaitFor([&] { return !IsMounted(mnt.Path()) && !ServerRunning(mnt.Path()); }));
    EXPECT_TRUE(fs::is_empty(mnt.Path()));
  }
}

// A mount point given relative to the current folder, and unmounted the same way from
// there or by the server itself (which has left that folder) on SIGTERM: the mount ends,
// the server too, and the folder is left empty.
TEST_F(Mount, EndsWhenMountedByARelativePath) {
  for (const char* unmount : {"fusermount3 -u mnt", "umount mnt", "SIGTERM"}) {
    SCOPED_TRACE(unmount);
    Sandbox box;
    PackageWriter w;
    w.Add(u"a\\b.txt", Text("b"));
    const std::string pkg = U8(WritePackage(box, "p.rdb", w));  // names this test's server
    Tool tool(box);
    MountPoint mnt(box, "mnt");
    const std::string inBox = "cd '" + U8(box.Root()) + "' && ";
    const ToolResult r = tool.Wait(tool.StartArgv({"sh", "-c", inBox + "exec \"$0\" mount \"$1\" mnt", RDBTOOL_PATH, pkg}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(mnt / "a/b.txt"), Text("b"));
    const pid_t server = ServerOf(pkg);
    ASSERT_GT(server, 0);
    if (std::string(unmount) == "SIGTERM") kill(server, SIGTERM);
    else EXPECT_EQ(std::system((inBox + unmount).c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsMounted(mnt.Path()) && ServerOf(pkg) < 0; }));
    EXPECT_TRUE(fs::is_empty(mnt.Path()));
  }
}

// libfuse writes some of its messages in pieces: each comes out as one whole line of ours.
TEST_F(Mount, LibraryMessagesComeOutAsWholeLines) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  MountPoint mnt(box, "mnt");
  const ToolResult r = Tool(box).Run({"mount", U8(pkg), mnt.Str(), "-o", "no_such_option"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{
                              "rdbtool mount: fuse: unknown option(s): `-o no_such_option'",
                              "rdbtool mount: cannot mount: the -o options were not accepted",
                          }));
}

TEST_F(Mount, RefusesWithExitTwoAndMountsNothing) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  Bytes damaged = w.Build();
  damaged.resize(45);  // the index runs past the end
  WriteFile(box / "damaged.rdb", damaged);
  WriteFile(box / "text.rdb", Text("not a package at all, only some text"));
  WriteFile(box / "full/x", Text("x"));
  const std::string mnt = U8(box / "mnt");
  fs::create_directories(mnt);
  const struct {
    const char* what;
    std::vector<std::string> argv;  // after the tool's path
    const char* says;
    std::string point;              // the mount point that must stay unmounted
  } cases[] = {
      {"missing mount point", {"mount", U8(pkg), U8(box / "nowhere")}, "nowhere: No such file or directory", U8(box / "nowhere")},
      {"a file as mount point", {"mount", U8(pkg), U8(pkg)}, "p.rdb: not a folder", U8(pkg)},
      {"a folder that is not empty", {"mount", U8(pkg), U8(box / "full")}, "full: not an empty folder", U8(box / "full")},
      {"damaged package", {"mount", U8(pkg), U8(box / "damaged.rdb"), mnt}, "damaged.rdb: damaged package", mnt},
      {"not a package", {"mount", U8(box / "text.rdb"), mnt}, "text.rdb: not a package", mnt},
      {"missing package", {"mount", U8(box / "none.rdb"), mnt}, "none.rdb: No such file or directory", mnt},
      {"unknown -o option", {"mount", U8(pkg), mnt, "-o", "no_such_option"}, "no_such_option", mnt},
      {"no mount point", {"mount", U8(pkg)}, "expects one or more packages and a mount point", mnt},
  };
  Tool tool(box);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolResult r = tool.Run(c.argv);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    EXPECT_FALSE(IsMounted(c.point));
    EXPECT_FALSE(ServerRunning(c.point));
  }

  // No /dev/fuse: in a mount namespace of its own with an empty /dev.
  const pid_t pid = tool.StartArgv({"unshare", "-m", "sh", "-c", "mount -t tmpfs none /dev && exec \"$0\" \"$@\"",
                                    RDBTOOL_PATH, "mount", U8(pkg), mnt});
  const ToolResult r = tool.Wait(pid);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_TRUE(Contains(r.err, "rdbtool mount: cannot mount: /dev/fuse: No such file or directory")) << r.err;
  EXPECT_FALSE(IsMounted(mnt));
  EXPECT_FALSE(ServerRunning(mnt));
}
