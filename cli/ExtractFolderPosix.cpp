#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/ExtractFolder.h"
#include "cli/RefusalText.h"
#include "cli/SystemError.h"
#include "cli/Utf.h"

namespace rdbtool {

namespace {

// Makes `path` and its missing parents, like mkdir -p.
bool MakePath(const std::string& path, std::string& error) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string prefix = path.substr(0, i);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      error = "cannot make '" + prefix + "': " + LastSystemError();
      return false;
    }
  }
  return true;
}

// Why `name` in `dirFd` could not be opened as a directory.
std::string NotADirectory(int dirFd, const std::string& name, int openError) {
  struct stat st;
  if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) return "it is a symbolic link, which extract does not follow";
    if (!S_ISDIR(st.st_mode)) return "a file of that name is in the way";
  }
  return SystemErrorText(openError);
}

bool WriteAll(int fd, const uint8_t* data, uint64_t size, std::string& error) {
  while (size > 0) {
    const size_t chunk = size > (1u << 30) ? (1u << 30) : static_cast<size_t>(size);
    const ssize_t n = write(fd, data, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = LastSystemError();
      return false;
    }
    data += n;
    size -= static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

ExtractFolder::ExtractFolder() = default;

ExtractFolder::~ExtractFolder() {
  for (auto& dir : chain_) close(dir.second);
  if (rootFd_ >= 0) close(rootFd_);
}

bool ExtractFolder::Open(const NativePath& folder, std::string& error) {
  const std::string path = folder.empty() ? "." : folder;
  rootFd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd_ < 0 && errno == ENOENT) {
    if (!MakePath(path, error)) return false;
    rootFd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  if (rootFd_ < 0) {
    error = "cannot open '" + path + "': " + LastSystemError();
    return false;
  }
  return true;
}

void ExtractFolder::Protect(const NativePath& packagePath) {
  struct stat st;
  if (stat(packagePath.c_str(), &st) != 0) return;
  protected_ = true;
  protectedDevice_ = static_cast<uint64_t>(st.st_dev);
  protectedInode_ = static_cast<uint64_t>(st.st_ino);
}

sorv::rules::ExportPlan ExtractFolder::MakePlan() const {
  // Paths are made relative to the open folder, so only the names' own lengths count.
  return sorv::rules::ExportPlan(u"", sorv::rules::HostExportLimits(), sorv::rules::PlatformFileNameFold(), u'/');
}

bool ExtractFolder::EnterDirectories(const std::vector<std::string>& dirs, std::string& error) {
  size_t keep = 0;
  while (keep < chain_.size() && keep < dirs.size() && chain_[keep].first == dirs[keep]) ++keep;
  while (chain_.size() > keep) {
    close(chain_.back().second);
    chain_.pop_back();
  }
  for (size_t i = keep; i < dirs.size(); ++i) {
    const int parent = chain_.empty() ? rootFd_ : chain_.back().second;
    const std::string& name = dirs[i];
    if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) {
      error = "write failed: cannot make folder '" + name + "': " + LastSystemError();
      return false;
    }
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      const std::string why = NotADirectory(parent, name, errno);
      error = (why.rfind("it is a symbolic link", 0) == 0 ? "link: cannot enter folder '" : "write failed: cannot enter folder '") +
              name + "': " + why;
      return false;
    }
    chain_.emplace_back(name, fd);
  }
  return true;
}

bool ExtractFolder::Write(const sorv::rules::ExportPlan& plan, size_t entry, const uint8_t* data, uint64_t size,
                          std::string& error) {
  if (!plan.Allowed(entry)) {
    error = RefusalText(plan.Refusal(entry));
    return false;
  }
  const std::vector<std::u16string> components = plan.Components(entry);
  std::vector<std::string> parts(components.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!Utf16ToUtf8(components[i], parts[i])) {
      error = "write failed: the name holds an unpaired UTF-16 surrogate, which no host file name can carry";
      return false;
    }
  }
  const std::string fileName = parts.back();
  parts.pop_back();
  if (!EnterDirectories(parts, error)) return false;
  const int dirFd = chain_.empty() ? rootFd_ : chain_.back().second;

  // A new file each time: an existing one (or a link of that name) is removed, never
  // written through, so nothing outside the folder can change.
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(dirFd, fileName.c_str(), flags, 0666);
  kept_ = false;
  if (fd < 0 && errno == EEXIST && keepExisting_) {
    kept_ = true;
    error = "an existing file of that name is kept";
    return false;
  }
  if (fd < 0 && errno == EEXIST) {
    struct stat existing;
    if (protected_ && fstatat(dirFd, fileName.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        static_cast<uint64_t>(existing.st_dev) == protectedDevice_ &&
        static_cast<uint64_t>(existing.st_ino) == protectedInode_) {
      error = "write failed: that file is the package being read";
      return false;
    }
    if (unlinkat(dirFd, fileName.c_str(), 0) != 0) {
      const int e = errno;
      struct stat st;
      const bool isDir = fstatat(dirFd, fileName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
      error = isDir ? "write failed: a folder of that name is in the way"
                    : "write failed: cannot replace the existing file: " + SystemErrorText(e);
      return false;
    }
    fd = openat(dirFd, fileName.c_str(), flags, 0666);
  }
  if (fd < 0) {
    error = "write failed: cannot create the file: " + LastSystemError();
    return false;
  }
  bool ok = WriteAll(fd, data, size, error);
  if (close(fd) != 0 && ok) {
    error = LastSystemError();
    ok = false;
  }
  if (!ok) {
    unlinkat(dirFd, fileName.c_str(), 0);
    error = "write failed: cannot write the file: " + error;
  }
  return ok;
}

}  // namespace rdbtool
