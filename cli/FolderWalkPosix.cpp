#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "cli/FolderWalk.h"
#include "cli/SystemError.h"
#include "cli/Utf.h"

namespace rdbtool {

namespace {

using DirId = std::pair<uint64_t, uint64_t>;

struct Pending {
  std::vector<std::u16string> components;
  NativePath path;
  std::string display;
  bool viaLink = false;
  std::vector<DirId> ancestors;  // the folders above it, to find a link back up
};

const char* KindText(mode_t mode) {
  if (S_ISFIFO(mode)) return "pipe, not a regular file";
  if (S_ISSOCK(mode)) return "socket, not a regular file";
  return "device or other special file, not a regular file";
}

}  // namespace

bool WalkFolder(const NativePath& root, bool followLinks, std::vector<FoundFile>& files, std::string& error) {
  std::vector<Pending> stack;
  stack.push_back(Pending{{}, root, "", true, {}});
  bool first = true;
  while (!stack.empty()) {
    Pending dir = std::move(stack.back());
    stack.pop_back();
    const int fd = open(dir.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (dir.viaLink ? 0 : O_NOFOLLOW));
    DIR* d = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!d) {
      const std::string reason = LastSystemError();
      if (fd >= 0) close(fd);
      if (first) {
        error = "cannot read '" + root + "': " + reason;
        return false;
      }
      files.push_back(FoundFile{dir.components, dir.path, dir.display, "cannot read the folder: " + reason});
      continue;
    }
    first = false;
    struct stat self;
    if (fstat(fd, &self) == 0) dir.ancestors.emplace_back(self.st_dev, self.st_ino);
    std::vector<Pending> subdirs;
    while (struct dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      FoundFile found;
      found.path = JoinPath(dir.path, name);
      found.display = dir.display.empty() ? name : dir.display + "/" + name;
      found.components = dir.components;
      std::u16string wide;
      const bool nameOk = Utf8ToUtf16(name, wide);
      found.components.push_back(wide);

      struct stat st;
      unsigned char type = e->d_type;
      bool viaLink = false;
      if (type == DT_UNKNOWN || (type == DT_LNK && followLinks)) {
        const bool link = type == DT_LNK;
        if (fstatat(dirfd(d), e->d_name, &st, (followLinks ? 0 : AT_SYMLINK_NOFOLLOW)) != 0) {
          found.problem = link || errno == ENOENT ? "broken symbolic link" : LastSystemError();
          files.push_back(std::move(found));
          continue;
        }
        if (type == DT_UNKNOWN && followLinks) {
          struct stat lst;
          viaLink = fstatat(dirfd(d), e->d_name, &lst, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(lst.st_mode);
        } else {
          viaLink = link;
        }
        type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
        if (type == DT_UNKNOWN) {
          found.problem = KindText(st.st_mode);
          files.push_back(std::move(found));
          continue;
        }
      }
      if (!nameOk) {
        found.problem = "the name is not valid UTF-8";
        files.push_back(std::move(found));
        continue;
      }
      if (type == DT_DIR) {
        if (viaLink) {
          bool loop = false;
          for (const DirId& a : dir.ancestors) loop = loop || a == DirId(st.st_dev, st.st_ino);
          if (loop) {
            found.problem = "symbolic link to a folder above it, not followed again";
            files.push_back(std::move(found));
            continue;
          }
        }
        subdirs.push_back(Pending{found.components, found.path, found.display, viaLink || dir.viaLink, dir.ancestors});
      } else if (type == DT_REG) {
        found.followed = viaLink;
        files.push_back(std::move(found));
      } else {
        found.link = type == DT_LNK;
        found.problem = type == DT_LNK    ? "symbolic link, not followed"
                        : type == DT_FIFO ? "pipe, not a regular file"
                        : type == DT_SOCK ? "socket, not a regular file"
                                          : "device or other special file, not a regular file";
        files.push_back(std::move(found));
      }
    }
    closedir(d);
    for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it) stack.push_back(std::move(*it));
  }
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
