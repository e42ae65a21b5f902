#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/MappedFile.h"
#include "cli/SystemError.h"

namespace rdbtool {

bool MappedFile::Open(const NativePath& path, std::string& error) {
  Close();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = LastSystemError();
    return false;
  }
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

void MappedFile::ReleasePages() {
  // The view is private and never written: its pages come back from the file when read.
  if (data_) madvise(const_cast<uint8_t*>(data_), static_cast<size_t>(size_), MADV_DONTNEED);
}

void MappedFile::Close() {
  if (data_) munmap(const_cast<uint8_t*>(data_), static_cast<size_t>(size_));
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  data_ = nullptr;
  size_ = 0;
}

}  // namespace rdbtool
