#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "InputFile.h"
#include "OutputFile.h"
#include "SystemError.h"

namespace rdbtool {

bool InputFile::Open(const NativePath& path, std::string& error) {
  Close();
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0) {
    error = LastSystemError();
    return false;
  }
  return true;
}

bool InputFile::Size(uint64_t& size, std::string& error) const {
  struct stat st;
  if (fstat(fd_, &st) != 0) {
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
    const ssize_t n = read(fd_, buffer + done, size - done);
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

void InputFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
}

bool OutputFile::Create(const NativePath& path, std::string& error) {
  path_ = path;
  temp_ = path + ".tmp-" + std::to_string(getpid());
  fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error = "cannot create '" + temp_ + "': " + LastSystemError();
    temp_.clear();
    return false;
  }
  return true;
}

bool OutputFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    const ssize_t n = pwrite(fd_, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot write '" + temp_ + "': " + LastSystemError();
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    error = "cannot write '" + temp_ + "': " + LastSystemError();
    return false;
  }
  if (rename(temp_.c_str(), path_.c_str()) != 0) {
    error = "cannot put the package in place as '" + path_ + "': " + LastSystemError();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace rdbtool
