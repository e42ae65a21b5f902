// The built rdbtool against the file system's own tricks on the host: a replaced file is a
// new file (a failed write keeps the old one), links at a target name, a case-blind disk,
// deep names under a low open-file limit, and update and pack never packing their own
// output, never replacing an input by less, and never leaving a temporary behind.
#include <gtest/gtest.h>

#include "tests/cli/ToolFixtures.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Sets environment variables for the tools started while it lives.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::vector<std::pair<std::string, std::string>> vars) : vars_(std::move(vars)) {
    for (const auto& v : vars_) setenv(v.first.c_str(), v.second.c_str(), 1);
  }
  ~ScopedEnv() {
    for (const auto& v : vars_) unsetenv(v.first.c_str());
  }

 private:
  std::vector<std::pair<std::string, std::string>> vars_;
};

// The tool's writes to files fail once `bytes` are written (see WriteFaultShim.c).
ScopedEnv WritesFailAfter(size_t bytes) {
  return ScopedEnv({{"LD_PRELOAD", WRITE_FAULT_SHIM}, {"RDBTOOL_FAULT_AFTER", std::to_string(bytes)}});
}

// Lowers this process's limit `resource` (and so the tool's) while it lives.
class ScopedLimit {
 public:
  ScopedLimit(int resource, rlim_t soft) : resource_(resource) {
    getrlimit(resource_, &old_);
    struct rlimit lowered = old_;
    lowered.rlim_cur = soft;
    setrlimit(resource_, &lowered);
  }
  ~ScopedLimit() { setrlimit(resource_, &old_); }

 private:
  int resource_;
  struct rlimit old_;
};

// The tool started without waiting for it, its output to /dev/null.
pid_t Start(const std::vector<std::string>& args) {
  const char* override = getenv("RDBTOOL_UNDER_TEST");
  const char* tool = override && *override ? override : RDBTOOL_PATH;
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 1);
    dup2(devNull, 2);
    std::vector<char*> argv{const_cast<char*>(tool)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(tool, argv.data());
    _exit(127);
  }
  return pid;
}

// Waits up to `seconds` for the tool: its exit code, 128 + the signal that ended it, or -1
// when it was still running (it is then killed).
int WaitFor(pid_t pid, int seconds) {
  int status = 0;
  for (int waited = 0; waited < seconds * 20; ++waited) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    usleep(50000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

// Runs a shell command; its output when it fails, for the test's message.
bool Shell(const std::string& command, std::string& said) {
  const std::string full = "(" + command + ") 2>&1";
  FILE* p = popen(full.c_str(), "r");
  if (!p) return false;
  char buffer[512];
  said.clear();
  while (fgets(buffer, sizeof buffer, p)) said += buffer;
  return pclose(p) == 0;
}

// An exFAT file system (case-blind, as on a USB stick) in an image file, mounted with
// exfat-fuse through a loop device for as long as it lives.
class ExfatDisk {
 public:
  explicit ExfatDisk(const fs::path& where) : image_(where / "disk.img"), mount_(where / "disk") {
    fs::create_directories(mount_);
    std::string said;
    if (!Shell("truncate -s 16M '" + U8(image_) + "' && mkfs.exfat '" + U8(image_) + "' >/dev/null", said)) {
      error_ = "cannot make an exFAT image (mkfs.exfat from exfatprogs, installed by scripts/setup): " + said;
      return;
    }
    if (!Shell("losetup -f --show '" + U8(image_) + "'", said)) {
      error_ = "cannot attach a loop device (needs root and /dev/loop-control): " + said;
      return;
    }
    device_ = said.substr(0, said.find('\n'));
    if (!Shell("mount.exfat-fuse '" + device_ + "' '" + U8(mount_) + "' >/dev/null", said)) {
      error_ = "cannot mount the exFAT image with exfat-fuse (needs root and /dev/fuse): " + said;
      return;
    }
    mounted_ = true;
  }
  ~ExfatDisk() {
    std::string said;
    if (mounted_) Shell("fusermount -u '" + U8(mount_) + "' || umount '" + U8(mount_) + "'", said);
    if (!device_.empty()) Shell("losetup -d '" + device_ + "'", said);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }
  const fs::path& Root() const { return mount_; }

 private:
  fs::path image_, mount_;
  std::string device_, error_;
  bool mounted_ = false;
};

// Names of the files and folders directly in `dir`.
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

// An existing file is replaced by a new one: a hard link to it elsewhere keeps its bytes,
// and a write that fails (the disk full) keeps the old file whole and leaves nothing else.
TEST(RdbtoolReplace, AnExistingFileIsReplacedByANewOneAndSurvivesAFailedWrite) {
  Sandbox box;
  const Bytes old = Random(30000, 1), entry = Random(50000, 2);
  WriteFile(box / "out/a.bin", old);
  fs::create_directories(box / "outside");
  fs::create_hard_link(box / "out/a.bin", box / "outside/victim.bin");
  PackageWriter w;
  w.Add(u"a.bin", entry);
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));

  {
    const ScopedEnv fault = WritesFailAfter(16384);
    const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "a.bin: write failed: ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "No space left on device")) << r.err;
  }
  EXPECT_EQ(Names(box / "out"), std::vector<std::string>{"a.bin"});
  EXPECT_EQ(ReadFile(box / "out/a.bin"), old);

  const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(box / "out/a.bin"), entry);
  EXPECT_EQ(ReadFile(box / "outside/victim.bin"), old);
  EXPECT_EQ(Names(box / "out"), std::vector<std::string>{"a.bin"});
}

// Nothing written at all is a failure of the whole run; some written, a partial one.
TEST(RdbtoolReplace, ExitCodeSaysWhetherAnythingWasWritten) {
  Sandbox box;
  struct Case {
    std::vector<std::u16string> names;
    int exitCode;
  } cases[] = {
      {{u"..\\x", u"CON.txt"}, 2},
      {{u"..\\x", u"ok.txt"}, 1},
      {{u"ok.txt"}, 0},
      {{}, 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    PackageWriter w;
    for (const std::u16string& name : c.names) w.Add(name, Text("x"));
    const std::string pkg = U8(WritePackage(box, "p" + std::to_string(n) + ".rdb", w));
    const ToolResult r = RunRdbtool({"extract", pkg, "-C", U8(box / ("out" + std::to_string(n++)))});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  }
}

// A name of thousands of levels needs more open folders than the process may hold: the
// entry is refused and the folders made for it are removed again.
TEST(RdbtoolReplace, DeepNamesUnderALowOpenFileLimitLeaveNoEmptyFolders) {
  Sandbox box;
  std::u16string deep;
  for (int i = 0; i < 2000; ++i) deep += u"d\\";
  deep += u"x.txt";
  PackageWriter w;
  w.Add(u"ok.txt", Text("ok"));
  w.Add(deep, Text("deep"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  ToolResult r;
  {
    const ScopedLimit files(RLIMIT_NOFILE, 256);
    r = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  }
  EXPECT_EQ(r.exitCode, 1) << r.err.substr(0, 2000);
  EXPECT_TRUE(Contains(r.err, "\xE2\x80\xA6: write failed: ")) << r.err.substr(0, 2000);  // the name cut with …
  EXPECT_EQ(ReadTree(box / "out"), (std::map<std::string, Bytes>{{"ok.txt", Text("ok")}}));
}

// A name of any length is named in a message by its first few hundred characters.
TEST(RdbtoolReplace, LongNamesAreCutInMessages) {
  Sandbox box;
  const std::u16string huge = u"a:" + std::u16string(100000, u'\x4E2D') + u".txt";
  PackageWriter w;
  w.Add(huge, Text("refused"));
  const size_t far = w.Add(huge + u"2", Text("far"));
  w.At(far).overrideOffset = true;
  w.At(far).offset = 10000000;
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  const ToolResult extract = RunRdbtool({"extract", pkg, "-C", U8(box / "out")});
  const ToolResult update = RunRdbtool({"update", pkg, "-o", U8(box / "n.rdb")});
  for (const ToolResult* r : {&extract, &update}) {
    EXPECT_NE(r->exitCode, 0);
    EXPECT_LT(r->err.size(), 4000u);
    EXPECT_TRUE(Contains(r->err, "a:\xE4\xB8\xAD\xE4\xB8\xAD")) << r->err.substr(0, 3000);
    EXPECT_TRUE(Contains(r->err, "\xE2\x80\xA6")) << r->err.substr(0, 3000);  // …
  }
  EXPECT_TRUE(Contains(update.err, ": left out: its data lies outside the package file")) << update.err.substr(0, 3000);
}

// On a case-blind disk, names are compared as the disk compares them: the second of two
// names for one file is refused, and an entry named like the package (in another case)
// never replaces the package.
TEST(RdbtoolCaseBlindDisk, NamesAreComparedAsTheDiskComparesThem) {
  Sandbox box;
  ExfatDisk disk(box.Root());
  ASSERT_TRUE(disk.Mounted()) << disk.Error();

  PackageWriter w;
  w.Add(u"Case.txt", Text("first"));
  w.Add(u"case.txt", Text("second"));
  w.Add(u"Dir\\\x00C9t\x00E9.txt", Text("accented"));
  w.Add(u"dir\\\x00E9T\x00C9.TXT", Text("accented again"));
  w.Add(u"SELFCASE.RDB", Text("not the package"));
  const fs::path pkg = disk.Root() / "selfcase.rdb";
  WriteFile(pkg, w.Build());
  const Bytes before = ReadFile(pkg);

  const ToolResult r = RunRdbtool({"extract", U8(pkg), "-C", U8(disk.Root())});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "case.txt: duplicate: an earlier entry has the same target file (\"Case.txt\")")) << r.err;
  EXPECT_TRUE(Contains(r.err, "duplicate: an earlier entry has the same target file (\"Dir\\\xC3\x89t\xC3\xA9.txt\")"))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "SELFCASE.RDB: write failed: that file is the package being read")) << r.err;
  EXPECT_TRUE(Contains(r.err, "3 of 5 entries not written")) << r.err;
  EXPECT_EQ(ReadFile(pkg), before);
  EXPECT_EQ(ReadFile(disk.Root() / "Case.txt"), Text("first"));
  EXPECT_EQ(ReadFile(disk.Root() / "Dir/\xC3\x89t\xC3\xA9.txt"), Text("accented"));
  EXPECT_EQ(Names(disk.Root()), (std::vector<std::string>{"Case.txt", "Dir", "selfcase.rdb"}));
}

// update --add DIR with its output inside DIR: the package being made is not added to
// itself, however large the files beside it.
TEST(RdbtoolUpdateOutput, TheOutputInsideAnAddedFolderIsNotAddedToItself) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"old.txt", Text("old"));
  const std::string pkg = U8(WritePackage(box, "p.rdb", w));
  WriteFile(box / "mod/big.bin", Random(3 << 20, 4));
  ToolResult r;
  {
    // A tool that packs its own growing output is stopped by the size limit.
    const ScopedLimit size(RLIMIT_FSIZE, 64 << 20);
    r = RunRdbtool({"update", pkg, "-o", U8(box / "mod/new.rdb"), "--add", U8(box / "mod")});
  }
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const ToolResult list = RunRdbtool({"list", U8(box / "mod/new.rdb")});
  EXPECT_EQ(list.out, "3\tnone\tplain\told.txt\n3145728\tnone\tplain\tbig.bin\n");
  EXPECT_EQ(Names(box / "mod"), (std::vector<std::string>{"big.bin", "new.rdb"}));
}

// update -o IN replaces the input only with everything the user kept, unless forced.
TEST(RdbtoolUpdateOutput, TheInputIsNeverReplacedByLess) {
  Sandbox box;
  PackageWriter past;
  past.Add(u"good.txt", Text("good"));
  const size_t distant = past.Add(u"far.bin", Text("far"));
  past.At(distant).overrideOffset = true;
  past.At(distant).offset = 1000000;
  PackageWriter start;
  start.Add(u"good.txt", Text("good"));
  start.Add(u"b.txt", Text("b"));
  start.SetDataBaseParts(static_cast<uint32_t>(start.IndexEnd()) + 5000000, 0);
  int n = 0;
  for (const PackageWriter* damaged : {&past, &start}) {
    const fs::path pkg = WritePackage(box, "p" + std::to_string(n++) + ".rdb", *damaged);
    const Bytes before = ReadFile(pkg);
    ToolResult r = RunRdbtool({"update", U8(pkg), "-o", U8(pkg), "--remove", "good.txt"});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "left out: its data lies outside the package file")) << r.err;
    EXPECT_TRUE(Contains(r.err, "not replaced")) << r.err;
    EXPECT_EQ(ReadFile(pkg), before);
    EXPECT_EQ(ReadTree(box.Root()).size(), static_cast<size_t>(n));  // no temporary left

    r = RunRdbtool({"update", U8(pkg), "-o", U8(pkg), "--remove", "good.txt", "--force"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(ReadFile(pkg), PackageWriter().Build());
  }
}

// A pack, update or extract ended by a signal leaves no temporary file beside its output
// (extract's: beside the existing file it was replacing, which stays).
TEST(RdbtoolUpdateOutput, ASignalLeavesNoTemporaryFile) {
  Sandbox box;
  WriteFile(box / "src/a.bin", Random(200000, 5));
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb")}).exitCode, 0);
  const std::string out = U8(box / "out"), pkg = U8(box / "p.rdb");
  struct Case {
    std::vector<std::string> args;
    int signal;
  } cases[] = {
      {{"update", pkg, "-o", out + "/n.rdb"}, SIGINT},
      {{"update", pkg, "-o", out + "/n.rdb"}, SIGTERM},
      {{"update", pkg, "-o", out + "/n.rdb"}, SIGHUP},
      {{"pack", U8(box / "src"), "-o", out + "/n.rdb"}, SIGTERM},
      {{"extract", pkg, "-C", out}, SIGINT},
  };
  const Bytes old = Text("old");
  for (const Case& c : cases) {
    const bool extract = c.args[0] == "extract";
    fs::create_directories(box / "out");
    if (extract) WriteFile(box / "out/a.bin", old);
    pid_t pid;
    {
      // Its first write waits, so that the signal comes while the temporary file exists.
      const ScopedEnv stall({{"LD_PRELOAD", WRITE_FAULT_SHIM}, {"RDBTOOL_FAULT_STALL", "1"}});
      pid = Start(c.args);
    }
    bool temporary = false;
    for (int waited = 0; waited < 200 && !temporary; ++waited) {
      temporary = Names(box / "out").size() > (extract ? 1u : 0u);
      if (!temporary) usleep(20000);
    }
    EXPECT_TRUE(temporary) << c.args[0];
    usleep(100000);
    kill(pid, c.signal);
    EXPECT_EQ(WaitFor(pid, 20), 128 + c.signal) << c.args[0] << " " << c.signal;
    EXPECT_EQ(Names(box / "out"), extract ? std::vector<std::string>{"a.bin"} : std::vector<std::string>{})
        << c.args[0] << " " << c.signal;
    if (extract) EXPECT_EQ(ReadFile(box / "out/a.bin"), old);
    fs::remove_all(box / "out");
  }
}

// A named pipe as -o is refused at once (with no reader it would block for ever);
// standard output is how a package goes into a pipe.
TEST(RdbtoolUpdateOutput, ANamedPipeIsRefused) {
  Sandbox box;
  WriteFile(box / "src/a.txt", Text("a"));
  ASSERT_EQ(RunRdbtool({"pack", U8(box / "src"), "-o", U8(box / "p.rdb")}).exitCode, 0);
  const fs::path fifo = box / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(WaitFor(Start({"pack", U8(box / "src"), "-o", U8(fifo)}), 20), 2);
  EXPECT_EQ(WaitFor(Start({"update", U8(box / "p.rdb"), "-o", U8(fifo)}), 20), 2);
  const ToolResult r = RunRdbtool({"pack", U8(box / "src"), "-o", U8(fifo)});
  EXPECT_TRUE(Contains(r.err, "is a named pipe")) << r.err;
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

#endif
