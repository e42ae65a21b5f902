// The mount on Linux: libfuse's low-level interface, where a request names a node by its
// number, so a lookup is one search among a folder's children and nothing keeps paths.
// The tree never changes while mounted, so the kernel may keep every name, attribute and
// page it has seen (long timeouts, kept page cache, no open or flush round trips); reads
// go from the package's descriptor to the kernel without passing through our memory where
// libfuse can splice them.
#define FUSE_USE_VERSION 312
#include <dirent.h>
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/Commands.h"
#include "cli/MountServer.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

namespace {

constexpr const char* kCommand = "mount";
constexpr const char* kFuseDevice = "/dev/fuse";
// Names and attributes never change while mounted: the kernel may keep them for a day.
constexpr double kForever = 86400.0;

struct Served {
  const MountTree* tree = nullptr;
  const MountedPackages* packages = nullptr;
  std::vector<struct timespec> times;  // per package
  struct timespec folderTime = {};     // the newest package's
  uid_t uid = 0;
  gid_t gid = 0;
  bool noOpen = false;     // the kernel takes ENOSYS from open as "no open needed"
  bool noOpendir = false;
};

const Served& State(fuse_req_t req) { return *static_cast<const Served*>(fuse_req_userdata(req)); }

// The node behind a FUSE node number (the root is 1), or kNone.
uint32_t NodeOf(const Served& s, fuse_ino_t ino) {
  return ino >= 1 && ino <= s.tree->NodeCount() ? static_cast<uint32_t>(ino - 1) : MountTree::kNone;
}

void Attributes(const Served& s, uint32_t node, struct stat& st) {
  std::memset(&st, 0, sizeof st);
  const MountTree::Node& n = s.tree->At(node);
  st.st_ino = node + 1;
  st.st_uid = s.uid;
  st.st_gid = s.gid;
  st.st_blksize = 4096;
  if (s.tree->IsFolder(node)) {
    st.st_mode = S_IFDIR | 0555;
    st.st_nlink = 2 + s.tree->SubfolderCount(node);
    st.st_size = 0;
    st.st_mtim = st.st_atim = st.st_ctim = s.folderTime;
  } else {
    st.st_mode = S_IFREG | 0444;
    st.st_nlink = 1;
    st.st_size = static_cast<off_t>(n.size);
    st.st_blocks = static_cast<blkcnt_t>((n.size + 511) / 512);
    st.st_mtim = st.st_atim = st.st_ctim = s.times[n.layer];
  }
}

void Entry(const Served& s, uint32_t node, fuse_entry_param& e) {
  std::memset(&e, 0, sizeof e);
  e.ino = node + 1;
  e.generation = 1;
  e.attr_timeout = kForever;
  e.entry_timeout = kForever;
  Attributes(s, node, e.attr);
}

void Init(void* userdata, fuse_conn_info* conn) {
  Served& s = *static_cast<Served*>(userdata);
  s.noOpen = conn->capable & FUSE_CAP_NO_OPEN_SUPPORT;
  s.noOpendir = conn->capable & FUSE_CAP_NO_OPENDIR_SUPPORT;
  if (conn->capable & FUSE_CAP_SPLICE_WRITE) conn->want |= FUSE_CAP_SPLICE_WRITE;
  // Plain listings: with attributes in them the kernel makes an inode for every name listed,
  // which `find` over a million names does not need, and then has to drop them all at the
  // unmount (measured: find and unmount cheaper without, the first read not dearer).
  conn->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
  // Contents never change: nothing to compare on each attribute refresh.
  conn->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
}

void Lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  const Served& s = State(req);
  const uint32_t folder = NodeOf(s, parent);
  const uint32_t node = folder == MountTree::kNone ? MountTree::kNone : s.tree->Find(folder, name);
  fuse_entry_param e;
  if (node == MountTree::kNone) {
    // Remembered as missing for as long as the names are.
    std::memset(&e, 0, sizeof e);
    e.entry_timeout = kForever;
  } else {
    Entry(s, node, e);
  }
  fuse_reply_entry(req, &e);
}

void GetAttr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
  const Served& s = State(req);
  const uint32_t node = NodeOf(s, ino);
  if (node == MountTree::kNone) {
    fuse_reply_err(req, ENOENT);
    return;
  }
  struct stat st;
  Attributes(s, node, st);
  fuse_reply_attr(req, &st, kForever);
}

void Open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  const Served& s = State(req);
  if ((fi->flags & O_ACCMODE) != O_RDONLY) {
    fuse_reply_err(req, EROFS);
    return;
  }
  // ENOSYS: the kernel opens on its own from now on and keeps the page cache.
  if (s.noOpen) {
    fuse_reply_err(req, ENOSYS);
    return;
  }
  (void)ino;
  fi->keep_cache = 1;
  fi->noflush = 1;
  fuse_reply_open(req, fi);
}

void OpenDir(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
  const Served& s = State(req);
  if (s.noOpendir) {
    fuse_reply_err(req, ENOSYS);
    return;
  }
  fi->keep_cache = 1;
  fi->cache_readdir = 1;
  fuse_reply_open(req, fi);
}

void Read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info*) {
  const Served& s = State(req);
  const uint32_t node = NodeOf(s, ino);
  if (node == MountTree::kNone || s.tree->IsFolder(node)) {
    fuse_reply_err(req, node == MountTree::kNone ? ENOENT : EISDIR);
    return;
  }
  const MountTree::Node& n = s.tree->At(node);
  const uint64_t at = static_cast<uint64_t>(offset);
  if (offset < 0 || at >= n.size || size == 0) {
    fuse_reply_buf(req, nullptr, 0);
    return;
  }
  const size_t length = static_cast<size_t>(std::min<uint64_t>(size, n.size - at));
  const int fd = s.packages->Descriptor(n.layer);
  // The package was complete when it was read; one that has shrunk since cannot give
  // this file's bytes.
  struct stat st;
  if (fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) < n.begin + n.size) {
    fuse_reply_err(req, EIO);
    return;
  }
  fuse_bufvec buf = FUSE_BUFVEC_INIT(length);
  buf.buf[0].flags = static_cast<fuse_buf_flags>(FUSE_BUF_IS_FD | FUSE_BUF_FD_SEEK);
  buf.buf[0].fd = fd;
  buf.buf[0].pos = static_cast<off_t>(n.begin + at);
  fuse_reply_data(req, &buf, static_cast<fuse_buf_copy_flags>(0));
}

// "." and ".." come first (offsets 1 and 2), then the children (offset 3 + index).
void ReadDir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info*) {
  const Served& s = State(req);
  const uint32_t node = NodeOf(s, ino);
  if (node == MountTree::kNone || !s.tree->IsFolder(node)) {
    fuse_reply_err(req, node == MountTree::kNone ? ENOENT : ENOTDIR);
    return;
  }
  std::string buffer(size, '\0');
  size_t used = 0;
  const uint32_t* children = s.tree->ChildrenBegin(node);
  const uint64_t count = s.tree->At(node).size;
  for (uint64_t i = static_cast<uint64_t>(std::max<off_t>(offset, 0)); i < count + 2; ++i) {
    const bool dot = i < 2;
    const uint32_t child = dot ? (i == 0 ? node : s.tree->At(node).parent) : children[i - 2];
    const char* name = dot ? (i == 0 ? "." : "..") : s.tree->Name(child).data();
    struct stat st;
    std::memset(&st, 0, sizeof st);
    st.st_ino = child + 1;
    st.st_mode = s.tree->IsFolder(child) ? S_IFDIR : S_IFREG;
    const size_t added = fuse_add_direntry(req, &buffer[used], size - used, name, &st, static_cast<off_t>(i + 1));
    if (added > size - used) break;
    used += added;
  }
  fuse_reply_buf(req, buffer.data(), used);
}

void StatFs(fuse_req_t req, fuse_ino_t) {
  const Served& s = State(req);
  struct statvfs sv;
  std::memset(&sv, 0, sizeof sv);
  sv.f_bsize = sv.f_frsize = 4096;
  sv.f_files = s.tree->NodeCount();
  sv.f_namemax = 255;
  fuse_reply_statfs(req, &sv);
}

// libfuse's own messages, as the tool's. A line may come in pieces.
void Log(enum fuse_log_level level, const char* format, va_list ap) {
  static std::string pending;
  if (level > FUSE_LOG_ERR) return;
  char text[1024];
  std::vsnprintf(text, sizeof text, format, ap);
  pending += text;
  for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
    Report(kCommand, pending.substr(0, end));
}

// Why `path` cannot be the mount point, or empty when it can.
std::string MountPointProblem(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return path + ": " + LastSystemError();
  if (!S_ISDIR(st.st_mode)) return path + ": not a folder";
  DIR* dir = opendir(path.c_str());
  if (!dir) return path + ": " + LastSystemError();
  bool empty = true;
  while (const dirent* d = readdir(dir)) {
    if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  closedir(dir);
  return empty ? std::string() : path + ": not an empty folder";
}

// A mount option value with the option parser's separators escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ',' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

bool CanMount(std::string& why) {
  const int fd = open(kFuseDevice, O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    why = std::string("cannot mount: ") + kFuseDevice + ": " + LastSystemError() +
          " (FUSE is needed: load the fuse module, install fuse3)";
    return false;
  }
  close(fd);
  return true;
}

MountedPackages::~MountedPackages() {
  for (int fd : files_) close(fd);
}

bool MountedPackages::Open(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = LastSystemError();
    return false;
  }
  files_.push_back(fd);
  return true;
}

bool MountedPackages::SameAsPath(const std::string& path) const {
  struct stat a, b;
  return !files_.empty() && fstat(files_.back(), &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

int ServeMount(const MountTree& tree, const MountedPackages& packages, const MountRequest& request) {
  const std::string problem = MountPointProblem(request.mountPoint);
  if (!problem.empty()) {
    Report(kCommand, problem);
    return kExitFailure;
  }
  // Absolute: the server leaves the current folder, and unmounts by this path at the end.
  char* resolved = realpath(request.mountPoint.c_str(), nullptr);
  if (!resolved) {
    Report(kCommand, request.mountPoint + ": " + LastSystemError());
    return kExitFailure;
  }
  const std::string mountPoint(resolved);
  free(resolved);
  Served served;
  served.tree = &tree;
  served.packages = &packages;
  served.uid = getuid();
  served.gid = getgid();
  for (size_t i = 0; i < packages.Count(); ++i) {
    struct stat st;
    if (fstat(packages.Descriptor(i), &st) != 0) {
      Report(kCommand, request.packages[i] + ": " + LastSystemError());
      return kExitFailure;
    }
    served.times.push_back(st.st_mtim);
    const struct timespec& t = st.st_mtim;
    if (t.tv_sec > served.folderTime.tv_sec || (t.tv_sec == served.folderTime.tv_sec && t.tv_nsec > served.folderTime.tv_nsec))
      served.folderTime = t;
  }

  // What planning the tree freed goes back to the system before the server is forked.
  malloc_trim(0);

  fuse_lowlevel_ops ops;
  std::memset(&ops, 0, sizeof ops);
  ops.init = Init;
  ops.lookup = Lookup;
  ops.getattr = GetAttr;
  ops.open = Open;
  ops.read = Read;
  ops.opendir = OpenDir;
  ops.readdir = ReadDir;
  ops.statfs = StatFs;

  // The caller's options first, so that ours (read-only, above all) win.
  std::vector<std::string> argStrings = {"rdbtool"};
  for (const std::string& o : request.options) {
    argStrings.push_back("-o");
    argStrings.push_back(o);
  }
  argStrings.push_back("-o");
  argStrings.push_back("ro,default_permissions,subtype=rdbtool,fsname=" + Escaped(request.packages.back()));
  std::vector<char*> argv;
  for (std::string& a : argStrings) argv.push_back(&a[0]);
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());

  fuse_set_log_func(Log);
  fuse_session* session = fuse_session_new(&args, &ops, sizeof ops, &served);
  fuse_opt_free_args(&args);  // what the parser added to them
  if (!session) {
    Report(kCommand, "cannot mount: the -o options were not accepted");
    return kExitFailure;
  }
  if (fuse_set_signal_handlers(session) != 0) {
    fuse_session_destroy(session);
    Report(kCommand, "cannot mount: cannot set the signal handlers");
    return kExitFailure;
  }
  if (fuse_session_mount(session, mountPoint.c_str()) != 0) {
    fuse_remove_signal_handlers(session);
    fuse_session_destroy(session);
    Report(kCommand, "cannot mount on " + request.mountPoint);
    return kExitFailure;
  }
  // The mount is there: the caller's next command may use it (its requests wait for us).
  fuse_daemonize(request.foreground ? 1 : 0);

  fuse_loop_config* config = fuse_loop_cfg_create();
  fuse_loop_cfg_set_clone_fd(config, 0);
  fuse_session_loop_mt(session, config);
  fuse_loop_cfg_destroy(config);

  fuse_session_unmount(session);
  fuse_remove_signal_handlers(session);
  fuse_session_destroy(session);
  return kExitOk;
}

}  // namespace rdbtool
