#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FolderWalk.h"
#include "SystemError.h"
#include "Utf.h"

namespace rdbtool {

namespace {

struct Pending {
  std::vector<std::u16string> components;
  NativePath path;
  std::string display;
};

const char* KindText(mode_t mode) {
  if (S_ISLNK(mode)) return "symbolic link, not followed";
  if (S_ISFIFO(mode)) return "pipe, not a regular file";
  if (S_ISSOCK(mode)) return "socket, not a regular file";
  return "device or other special file, not a regular file";
}

}  // namespace

bool WalkFolder(const NativePath& root, std::vector<FoundFile>& files, std::string& error) {
  std::vector<Pending> stack;
  stack.push_back(Pending{{}, root, ""});
  bool first = true;
  while (!stack.empty()) {
    Pending dir = std::move(stack.back());
    stack.pop_back();
    const int fd = open(dir.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (first ? 0 : O_NOFOLLOW));
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

      unsigned char type = e->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
          found.problem = LastSystemError();
          files.push_back(std::move(found));
          continue;
        }
        type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_LNK;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
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
        subdirs.push_back(Pending{found.components, found.path, found.display});
      } else if (type == DT_REG) {
        files.push_back(std::move(found));
      } else {
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
