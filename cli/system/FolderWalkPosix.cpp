#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/Utf.h"
#include "cli/system/FolderWalk.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

const char* const kLinkLoopProblem = "symbolic link to a folder above it, not followed again";
const char kDisplaySeparator = '/';

namespace {

const char* KindText(mode_t mode) {
  if (S_ISFIFO(mode)) return "pipe, not a regular file";
  if (S_ISSOCK(mode)) return "socket, not a regular file";
  return "device or other special file, not a regular file";
}

// One name of the folder open as `d`. The type comes from the folder listing where it
// gives one, so a regular file costs no call of its own.
FolderChild Look(DIR* d, const struct dirent* e, bool followLinks) {
  FolderChild child;
  child.name = e->d_name;
  const bool nameOk = Utf8ToUtf16(child.name, child.text);
  child.number = static_cast<uint64_t>(e->d_ino);

  struct stat st;
  unsigned char type = e->d_type;
  if (type == DT_UNKNOWN || (type == DT_LNK && followLinks)) {
    const bool link = type == DT_LNK;
    if (fstatat(dirfd(d), e->d_name, &st, (followLinks ? 0 : AT_SYMLINK_NOFOLLOW)) != 0) {
      child.problem = link || errno == ENOENT ? "broken symbolic link" : LastSystemError();
      return child;
    }
    if (type == DT_UNKNOWN && followLinks) {
      struct stat lst;
      child.viaLink = fstatat(dirfd(d), e->d_name, &lst, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(lst.st_mode);
    } else {
      child.viaLink = link;
    }
    if (child.viaLink) child.number = 0;  // the listing's number is the link's
    type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
    if (type == DT_UNKNOWN) {
      child.problem = KindText(st.st_mode);
      return child;
    }
    if (type == DT_DIR) child.folderId = FileId{true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }
  if (!nameOk) {
    child.problem = "the name is not valid UTF-8";
    return child;
  }
  if (type == DT_DIR) {
    child.kind = FolderChild::Kind::kFolder;
  } else if (type == DT_REG) {
    child.kind = FolderChild::Kind::kFile;
  } else {
    child.kind = type == DT_LNK ? FolderChild::Kind::kLink : FolderChild::Kind::kProblem;
    child.problem = type == DT_LNK    ? "symbolic link, not followed"
                    : type == DT_FIFO ? "pipe, not a regular file"
                    : type == DT_SOCK ? "socket, not a regular file"
                                      : "device or other special file, not a regular file";
  }
  return child;
}

}  // namespace

bool ReadFolder(const NativePath& path, bool viaLink, bool followLinks, FileId& self, std::vector<FolderChild>& children,
                std::string& error) {
  children.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (viaLink ? 0 : O_NOFOLLOW));
  DIR* d = fd >= 0 ? fdopendir(fd) : nullptr;
  if (!d) {
    error = LastSystemError();
    if (fd >= 0) close(fd);
    return false;
  }
  struct stat st;
  self = fstat(fd, &st) == 0 ? FileId{true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)} : FileId();
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    children.push_back(Look(d, e, followLinks));
  }
  closedir(d);
  return true;
}

FileId IdentifyFile(const NativePath& path) {
  FileId id;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    id.valid = true;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.number = static_cast<uint64_t>(st.st_ino);
  }
  return id;
}

}  // namespace rdbtool
