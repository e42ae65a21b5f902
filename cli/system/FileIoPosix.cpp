#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/system/InputFile.h"
#include "cli/system/MappedFile.h"
#include "cli/system/OutputFile.h"
#include "cli/system/SignalCleanup.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

namespace {

// Copies `size` bytes of `in` from `from` to `out` at `to` through a pipe of its own, in
// rounds that start on 64 KiB boundaries of `out`, as many of them as the pipe holds. The
// system's own copy between files uses a pipe of 64 KiB: where the two offsets differ
// within a page (the entries behind a replaced entry of another size) its rounds drift
// off those boundaries and the new file's pages are filled 4 KiB at a time, which makes
// the copy a third slower. 1 when done; 0 when this cannot be done here (no pipe of that
// size, or a file that takes no splicing), with `from`, `to` and `size` telling what is
// left; -1 on an error (errno), -2 when `in` ended early.
int SpliceCopy(int in, off_t& from, int out, off_t& to, uint64_t& size) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return 0;
  struct Pipe {
    int read, write;
    ~Pipe() {
      close(read);
      close(write);
    }
  } pipe{ends[0], ends[1]};
  constexpr uint64_t kBoundary = 64 << 10;
  const long page = sysconf(_SC_PAGESIZE);
  const int capacity = fcntl(pipe.write, F_SETPIPE_SZ, 1 << 20);
  // A round may start inside a page of `in`: the pipe keeps room for one more page.
  const uint64_t round =
      capacity > page && page > 0 ? static_cast<uint64_t>(capacity - page) / kBoundary * kBoundary : 0;
  if (round < 4 * kBoundary) return 0;
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(size, round - static_cast<uint64_t>(to) % kBoundary));
    ssize_t got = splice(in, &from, pipe.write, nullptr, want, SPLICE_F_MOVE);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno == EINVAL || errno == ENOSYS ? 0 : -1;
    if (got == 0) return -2;
    while (got > 0) {
      const ssize_t put = splice(pipe.read, nullptr, out, &to, static_cast<size_t>(got), SPLICE_F_MOVE);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        if (put == 0) errno = EIO;
        return -1;  // bytes are stuck in the pipe: no way back to the other copy
      }
      got -= put;
      size -= static_cast<uint64_t>(put);
    }
  }
  return 1;
}

}  // namespace

bool InputFile::Open(const NativePath& path, std::string& error, bool followLink) {
  Close();
  file_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW) | O_NONBLOCK);
  if (file_ < 0) {
    error = LastSystemError();
    return false;
  }
  return true;
}

bool InputFile::Size(uint64_t& size, std::string& error) const {
  struct stat st;
  if (fstat(file_, &st) != 0) {
    error = LastSystemError();
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return false;
  }
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size, std::string& error) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = read(file_, buffer + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = LastSystemError();
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t InputFile::ReadSome(uint8_t* buffer, size_t size, std::string& error) {
  for (;;) {
    const ssize_t n = read(file_, buffer, size);
    if (n >= 0) return static_cast<int64_t>(n);
    if (errno != EINTR) {
      error = LastSystemError();
      return -1;
    }
  }
}

void InputFile::Close() {
  if (file_ >= 0) close(file_);
  file_ = -1;
}

namespace {

// `path` with its symbolic links followed (also a link to a file not made yet), as
// open() would follow them, so that the temporary file goes beside the real target.
bool FollowLinks(std::string& path, std::string& error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), &target[0], target.size());
    if (n < 0) {
      error = "cannot read the link '" + path + "': " + LastSystemError();
      return false;
    }
    target.resize(static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    path = (target[0] == '/' || slash == std::string::npos) ? target : path.substr(0, slash + 1) + target;
  }
  error = "'" + path + "': too many levels of symbolic links";
  return false;
}

}  // namespace

OutputFile::~OutputFile() {
  if (file_ >= 0 && ownsHandle_) close(file_);
  if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
  if (!temp_.empty()) ForgetOnSignal();
}

bool OutputFile::Create(const std::string& argument, std::string& error) {
  if (argument == "-") {
    if (isatty(STDOUT_FILENO)) {
      error = "standard output is a terminal: refusing to write a package to it (redirect it or give -o FILE)";
      return false;
    }
    file_ = STDOUT_FILENO;
    ownsHandle_ = false;
    seekable_ = false;
    display_ = "standard output";
    return true;
  }
  path_ = ToNativePath(argument);
  if (!FollowLinks(path_, error)) return false;
  display_ = path_;
  struct stat st;
  const bool exists = stat(path_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    error = "'" + argument + "' is a folder";
    return false;
  }
  if (exists && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    // Opening a pipe waits for a reader, for ever when there is none.
    error = "'" + argument + "' is a " + (S_ISFIFO(st.st_mode) ? "named pipe" : "socket") +
            ": give -o - and send standard output there instead";
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // A device: written through, never replaced.
    file_ = open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file_ < 0) {
      error = "cannot write to '" + argument + "': " + LastSystemError();
      return false;
    }
    if (lseek(file_, 0, SEEK_CUR) < 0) {
      error = "'" + argument + "' is a device that cannot seek: give -o - and send standard output there instead";
      return false;
    }
    fcntl(file_, F_SETFL, fcntl(file_, F_GETFL) & ~O_NONBLOCK);
    seekable_ = false;
    return true;
  }
  temp_ = path_ + ".tmp-" + std::to_string(getpid());
  file_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file_ < 0) {
    error = "cannot create '" + temp_ + "': " + LastSystemError();
    temp_.clear();
    return false;
  }
  if (exists) {
    // The replaced package keeps its owner where the system lets us give it (as root, or
    // a group of ours), then its permissions (a change of owner clears set-id bits).
    if (fchown(file_, st.st_uid, st.st_gid) != 0) (void)!fchown(file_, static_cast<uid_t>(-1), st.st_gid);
    fchmod(file_, st.st_mode & 07777);
  }
  RemoveOnSignal(AT_FDCWD, temp_);
  return true;
}

bool OutputFile::WriteThrough(const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    const size_t chunk = size > (1u << 30) ? (1u << 30) : size;
    const ssize_t n = write(file_, data, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot write to " + (path_.empty() ? display_ : "'" + display_ + "'") + ": " + LastSystemError();
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    position_ += static_cast<uint64_t>(n);
  }
  return true;
}

bool OutputFile::WriteAtOffset(uint64_t offset, const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    const size_t chunk = size > (1u << 30) ? (1u << 30) : size;
    const ssize_t n = pwrite(file_, data, chunk, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot write '" + temp_ + "': " + LastSystemError();
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  MoveEnd(offset);
  return true;
}

bool OutputFile::TwoWriters() const { return seekable_; }

bool OutputFile::SetSize(uint64_t size, std::string& error) {
  if (ftruncate(file_, static_cast<off_t>(size)) == 0) {
    position_ = size;
    return true;
  }
  error = "cannot write '" + temp_ + "': " + LastSystemError();
  return false;
}

int OutputFile::CopyFrom(const MappedFile& in, uint64_t offset, uint64_t at, uint64_t size, std::string& error) {
  off_t from = static_cast<off_t>(offset), to = static_cast<off_t>(at);
  bool any = false;
  if (seekable_ && size >= (1u << 20)) {
    const uint64_t before = size;
    const int spliced = SpliceCopy(in.fd_, from, file_, to, size);
    if (spliced < 0) {
      error = "cannot write '" + temp_ + "': " +
              (spliced == -1 ? LastSystemError() : std::string("the package file ended early"));
      return -1;
    }
    any = size < before;
    if (spliced == 1) {
      MoveEnd(static_cast<uint64_t>(to));
      return 1;
    }
  }
  // The system copies in rounds of 64 KiB; rounds that start on a 64 KiB boundary of the
  // new file fill its pages in larger pieces, which makes a large copy a sixth faster. So
  // a large copy first copies up to the next boundary.
  constexpr uint64_t kRound = 64 << 10;
  uint64_t head = seekable_ && size >= 16 * kRound ? (kRound - static_cast<uint64_t>(to) % kRound) % kRound : 0;
  while (size > 0) {
    size_t chunk = size > (1u << 30) ? (1u << 30) : static_cast<size_t>(size);
    if (head > 0) chunk = static_cast<size_t>(head);
    // A file takes an in-kernel copy; a pipe or a device takes sendfile.
    const ssize_t n = seekable_ ? copy_file_range(in.fd_, &from, file_, &to, chunk, 0) : sendfile(file_, in.fd_, &from, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && !any && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) return 0;
    if (n <= 0) {
      error = "cannot write " + (seekable_ ? "'" + temp_ + "'" : display_) + ": " +
              (n < 0 ? LastSystemError() : std::string("the package file ended early"));
      return -1;
    }
    any = true;
    head -= std::min<uint64_t>(head, static_cast<uint64_t>(n));
    size -= static_cast<uint64_t>(n);
    if (!seekable_) position_ += static_cast<uint64_t>(n);
  }
  if (seekable_) MoveEnd(static_cast<uint64_t>(to));
  return 1;
}

bool OutputFile::Commit(std::string& error) {
  const int fd = file_;
  file_ = -1;
  if (!ownsHandle_) {
    committed_ = true;
    return true;
  }
  if (close(fd) != 0) {
    error = "cannot write '" + (temp_.empty() ? display_ : temp_) + "': " + LastSystemError();
    return false;
  }
  if (!temp_.empty() && rename(temp_.c_str(), path_.c_str()) != 0) {
    error = "cannot put the package in place as '" + path_ + "': " + LastSystemError();
    return false;
  }
  committed_ = true;
  ForgetOnSignal();
  return true;
}

}  // namespace rdbtool
