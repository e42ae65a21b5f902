#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "cli/system/MappedFile.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

bool MappedFile::Open(const NativePath& path, std::string& error) {
  Close();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = LastSystemError();
    return false;
  }
  return Map(fd, error);
}

namespace {

// A file of our own that no other process can open: O_TMPFILE where the file system has
// it, else a named one unlinked at once.
int TemporaryFile(std::string& error) {
  const char* dir = getenv("TMPDIR");
  const std::string folder = dir && *dir ? dir : "/tmp";
#if defined(O_TMPFILE)
  const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#endif
  std::string name = folder + "/rdbtool-stdin-XXXXXX";
  const int named = mkostemp(&name[0], O_CLOEXEC);
  if (named < 0) {
    error = "cannot make a temporary file in " + folder + " for standard input: " + LastSystemError();
    return -1;
  }
  unlink(name.c_str());
  return named;
}

}  // namespace

bool MappedFile::OpenStandardInput(std::string& error) {
  Close();
  struct stat st;
  if (fstat(STDIN_FILENO, &st) != 0) {
    error = LastSystemError();
    return false;
  }
  if (S_ISREG(st.st_mode) && lseek(STDIN_FILENO, 0, SEEK_CUR) == 0) {
    const int fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
      error = LastSystemError();
      return false;
    }
    return Map(fd, error);
  }
  if (isatty(STDIN_FILENO)) {
    error = "standard input is a terminal: pipe a package into it or give a file";
    return false;
  }
  const int fd = TemporaryFile(error);
  if (fd < 0) return false;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot read standard input: " + LastSystemError();
      close(fd);
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(fd, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        error = "cannot keep standard input in a temporary file: " + LastSystemError();
        close(fd);
        return false;
      }
      done += w;
    }
  }
  return Map(fd, error);
}

// Maps the open file `fd`, which this object then owns (and closes on failure).
bool MappedFile::Map(int fd, std::string& error) {
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error = LastSystemError();
    close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
    close(fd);
    return false;
  }
  if (st.st_size > 0) {
    void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
      error = LastSystemError();
      close(fd);
      return false;
    }
    data_ = static_cast<const uint8_t*>(p);
    size_ = static_cast<uint64_t>(st.st_size);
  }
  fd_ = fd;
  return true;
}

void MappedFile::AdviseSequential() {
  if (data_) madvise(const_cast<uint8_t*>(data_), static_cast<size_t>(size_), MADV_SEQUENTIAL);
}

bool MappedFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const {
  while (size > 0) {
    const ssize_t got = pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffer += got;
    offset += static_cast<uint64_t>(got);
    size -= static_cast<size_t>(got);
  }
  return true;
}

void MappedFile::ReleasePages(uint64_t offset, uint64_t size) {
  if (!data_ || offset >= size_) return;
  size = std::min(size, size_ - offset);
  // Whole pages only; the view begins on one. It is private and never written: its pages
  // come back from the file when read again.
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t begin = offset / page * page;
  const uint64_t end = offset + size == size_ ? size_ : (offset + size) / page * page;
  if (end > begin) madvise(const_cast<uint8_t*>(data_) + begin, static_cast<size_t>(end - begin), MADV_DONTNEED);
}

void MappedFile::Close() {
  if (data_) munmap(const_cast<uint8_t*>(data_), static_cast<size_t>(size_));
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  data_ = nullptr;
  size_ = 0;
}

}  // namespace rdbtool
