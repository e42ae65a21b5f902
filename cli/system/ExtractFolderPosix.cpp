#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>

#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "cli/system/ExtractFolder.h"
#include "cli/system/SignalCleanup.h"
#include "cli/system/SystemError.h"

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

// On a FUSE file system nothing tells how it compares names: a file made under a
// lower-case name is looked for under the upper-case one. True also when the folder takes
// no file (nothing is written there then anyway).
bool ProbeCaseBlind(int dirFd) {
  const std::string id = std::to_string(getpid());
  const std::string lower = ".rdbtool-case-" + id, upper = ".RDBTOOL-CASE-" + id;
  struct stat st;
  if (fstatat(dirFd, upper.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return true;
  const int fd = openat(dirFd, lower.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  close(fd);
  const bool blind = fstatat(dirFd, upper.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  unlinkat(dirFd, lower.c_str(), 0);
  return blind;
}

// Whether the file system of the open folder `dirFd` takes two names that differ in case
// for one file.
bool FolderIsCaseBlind(int dirFd) {
#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif
  // ext4 and f2fs fold case in folders so marked, and in the folders made inside them.
  long flags = 0;
  if (ioctl(dirFd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL)) return true;
  struct statfs fs;
  if (fstatfs(dirFd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case MSDOS_SUPER_MAGIC:   // FAT (vfat, msdos)
    case EXFAT_SUPER_MAGIC:
    case 0x5346544eUL:        // NTFS (ntfs)
    case 0x7366746eUL:        // NTFS (ntfs3)
    case 0xFF534D42UL:        // SMB (cifs)
    case 0xFE534D42UL:        // SMB2/3
    case 0x517BUL:            // SMB (smbfs)
    case 0x482bUL:            // HFS+ (case-blind unless made otherwise)
      return true;
    case FUSE_SUPER_MAGIC:    // exFAT, NTFS and others through FUSE
      return ProbeCaseBlind(dirFd);
    default:
      return false;
  }
}

std::u16string Folded(const std::u16string& name, sorv::rules::FileNameFold fold) {
  std::u16string folded = name;
  if (fold && !folded.empty()) fold(&folded[0], folded.size());
  return folded;
}

}  // namespace

ExtractFolder::ExtractFolder() = default;

ExtractFolder::~ExtractFolder() {
  for (auto& dir : chain_) close(dir.fd);
  if (rootFd_ >= 0) close(rootFd_);
  if (packageFolderFd_ >= 0) close(packageFolderFd_);
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
  caseBlind_ = FolderIsCaseBlind(rootFd_);
  return true;
}

void ExtractFolder::Protect(const NativePath& packagePath) {
  struct stat st;
  if (stat(packagePath.c_str(), &st) != 0) return;
  protected_ = true;
  protectedDevice_ = static_cast<uint64_t>(st.st_dev);
  protectedInode_ = static_cast<uint64_t>(st.st_ino);
  protectedSize_ = static_cast<uint64_t>(st.st_size);
  protectedModified_ = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  // A case-blind file system may give one file other numbers under other names: the
  // package is also known by its name in its folder, which is held open.
  const size_t slash = packagePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : packagePath.substr(0, slash);
  packageFolderFd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!Utf8ToUtf16(packagePath.substr(slash == std::string::npos ? 0 : slash + 1), packageName_)) packageName_.clear();
}

sorv::rules::ExportPlan ExtractFolder::MakePlan() const {
  // Paths are made relative to the open folder, so only the names' own lengths count.
  return sorv::rules::ExportPlan(u"", sorv::rules::HostExportLimits(),
                                 caseBlind_ ? sorv::rules::CaseBlindFileNameFold() : sorv::rules::PlatformFileNameFold(),
                                 u'/');
}

bool ExtractFolder::IsPackage(int dirFd, const std::string& name, const struct stat& existing,
                              const sorv::rules::ExportPlan& plan) const {
  if (!protected_) return false;
  const uint64_t device = static_cast<uint64_t>(existing.st_dev);
  if (device == protectedDevice_ && static_cast<uint64_t>(existing.st_ino) == protectedInode_) return true;
  std::u16string wide;
  if (packageName_.empty() || !Utf8ToUtf16(name, wide)) return false;
  const sorv::rules::FileNameFold fold = plan.Fold();
  if (Folded(wide, fold) != Folded(packageName_, fold)) return false;
  // Named as the package: it is the package when it is in the package's folder, or looks
  // like it (the same disk, size and time) wherever the folder was reached from.
  struct stat here, there;
  if (packageFolderFd_ >= 0 && fstat(dirFd, &here) == 0 && fstat(packageFolderFd_, &there) == 0 &&
      here.st_dev == there.st_dev && here.st_ino == there.st_ino)
    return true;
  const int64_t modified = static_cast<int64_t>(existing.st_mtim.tv_sec) * 1000000000 + existing.st_mtim.tv_nsec;
  return device == protectedDevice_ && static_cast<uint64_t>(existing.st_size) == protectedSize_ &&
         modified == protectedModified_;
}

bool ExtractFolder::EnterFolder(const sorv::rules::ExportPlan& plan, uint32_t folder, size_t& entered,
                                std::string& error) {
  folders_.clear();
  for (uint32_t f = folder; f != 0; f = plan.Parent(f)) folders_.push_back(f);
  size_t keep = 0;
  while (keep < chain_.size() && keep < folders_.size() && chain_[keep].number == folders_[folders_.size() - 1 - keep])
    ++keep;
  while (chain_.size() > keep) {
    close(chain_.back().fd);
    chain_.pop_back();
  }
  entered = keep;
  for (size_t i = keep; i < folders_.size(); ++i) {
    const uint32_t number = folders_[folders_.size() - 1 - i];
    std::string name;
    if (!Utf16ToUtf8(plan.FolderName(number), name)) {
      error = "write failed: the name holds an unpaired UTF-16 surrogate, which no host file name can carry";
      LeaveMadeFolders(keep);
      return false;
    }
    const int parent = chain_.empty() ? rootFd_ : chain_.back().fd;
    const bool made = mkdirat(parent, name.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) {
      error = "write failed: cannot make folder '" + name + "': " + LastSystemError();
      LeaveMadeFolders(keep);
      return false;
    }
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      const std::string why = NotADirectory(parent, name, errno);
      error = (why.rfind("it is a symbolic link", 0) == 0 ? "link: cannot enter folder '" : "write failed: cannot enter folder '") +
              name + "': " + why;
      // Out of open files (a name of thousands of levels): the folders made for it go.
      if (made) unlinkat(parent, name.c_str(), AT_REMOVEDIR);
      LeaveMadeFolders(keep);
      return false;
    }
    chain_.push_back(OpenFolder{number, name, fd, made});
  }
  return true;
}

void ExtractFolder::LeaveMadeFolders(size_t from) {
  while (chain_.size() > from) {
    const OpenFolder folder = chain_.back();
    chain_.pop_back();
    close(folder.fd);
    // Only an empty folder goes; one that holds anything stays.
    if (folder.made) unlinkat(chain_.empty() ? rootFd_ : chain_.back().fd, folder.name.c_str(), AT_REMOVEDIR);
  }
}

bool ExtractFolder::Replace(int dirFd, const std::string& name, const uint8_t* data, uint64_t size, std::string& error) {
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = ".rdbtool-" + std::to_string(getpid()) + "-" + std::to_string(temporaries_++);
    fd = openat(dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = "write failed: cannot create a new file beside the existing one: " + LastSystemError();
    return false;
  }
  RemoveOnSignal(dirFd, temporary);
  bool ok = WriteAll(fd, data, size, error);
  if (close(fd) != 0 && ok) {
    error = LastSystemError();
    ok = false;
  }
  if (!ok) {
    unlinkat(dirFd, temporary.c_str(), 0);
    ForgetOnSignal();
    error = "write failed: cannot write the file (the existing file is kept): " + error;
    return false;
  }
  if (renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0) {
    const std::string why = LastSystemError();
    unlinkat(dirFd, temporary.c_str(), 0);
    ForgetOnSignal();
    error = "write failed: cannot replace the existing file: " + why;
    return false;
  }
  ForgetOnSignal();
  return true;
}

bool ExtractFolder::Write(const sorv::rules::ExportPlan& plan, size_t entry, const uint8_t* data, uint64_t size,
                          std::string& error) {
  kept_ = false;
  if (!plan.Allowed(entry)) {
    error = RefusalText(plan.Refusal(entry));
    return false;
  }
  // Entries of one folder follow each other: its folder is usually the one entered last.
  const uint32_t folder = plan.Folder(entry);
  size_t entered = chain_.size();
  if (folder != (chain_.empty() ? 0 : chain_.back().number) && !EnterFolder(plan, folder, entered, error)) return false;
  if (!Utf16ToUtf8(plan.FileName(entry), fileName_) || !Utf16ToUtf8(plan.Appended(entry), appended_)) {
    error = "write failed: the name holds an unpaired UTF-16 surrogate, which no host file name can carry";
    return false;
  }
  fileName_ += appended_;
  const std::string& fileName = fileName_;
  const int dirFd = chain_.empty() ? rootFd_ : chain_.back().fd;

  // A new file: written where it is, and removed again when the write fails. The usual
  // case, and the cheapest.
  int fd = openat(dirFd, fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd >= 0) {
    bool ok = WriteAll(fd, data, size, error);
    if (close(fd) != 0 && ok) {
      error = LastSystemError();
      ok = false;
    }
    if (!ok) {
      unlinkat(dirFd, fileName.c_str(), 0);
      LeaveMadeFolders(entered);
      error = "write failed: cannot write the file: " + error;
    }
    return ok;
  }
  if (errno != EEXIST) {
    error = "write failed: cannot create the file: " + LastSystemError();
    LeaveMadeFolders(entered);
    return false;
  }
  if (keepExisting_) {
    kept_ = true;
    error = "an existing file of that name is kept";
    return false;
  }
  // Something of that name is there. A file is replaced by a new one, never written into:
  // a hard link to it elsewhere keeps its bytes, and a failed write keeps it whole.
  struct stat existing;
  if (fstatat(dirFd, fileName.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
    error = "write failed: cannot replace the existing file: " + LastSystemError();
    return false;
  }
  if (S_ISLNK(existing.st_mode)) {
    error = "link: a symbolic link of that name is in the way, which extract does not replace";
    return false;
  }
  if (S_ISDIR(existing.st_mode)) {
    error = "write failed: a folder of that name is in the way";
    return false;
  }
  if (IsPackage(dirFd, fileName, existing, plan)) {
    error = "write failed: that file is the package being read";
    return false;
  }
  return Replace(dirFd, fileName, data, size, error);
}

}  // namespace rdbtool
