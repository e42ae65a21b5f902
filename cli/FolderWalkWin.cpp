#include <windows.h>

#include <algorithm>

#include "cli/FolderWalk.h"
#include "cli/SystemError.h"
#include "cli/Utf.h"
#include "platform/KernelHandle.h"

namespace rdbtool {

namespace {

struct Pending {
  std::vector<std::u16string> components;
  std::wstring path;
  std::string display;
  std::vector<FileId> ancestors;  // the folders above it, to find a link back up
};

}  // namespace

bool WalkFolder(const NativePath& root, bool followLinks, std::vector<FoundFile>& files, std::string& error) {
  std::vector<Pending> stack;
  stack.push_back(Pending{{}, root, "", {}});
  bool first = true;
  while (!stack.empty()) {
    Pending dir = std::move(stack.back());
    stack.pop_back();
    WIN32_FIND_DATAW data;
    const sorv::FindHandle find(FindFirstFileW(JoinPath(dir.path, L"*").c_str(), &data));
    if (!find.IsValid()) {
      const std::string reason = LastSystemError();
      if (first) {
        error = "cannot read '" + DisplayPath(root) + "': " + reason;
        return false;
      }
      files.push_back(FoundFile{dir.components, dir.path, dir.display, "cannot read the folder: " + reason});
      continue;
    }
    first = false;
    if (followLinks) dir.ancestors.push_back(IdentifyFile(dir.path));
    std::vector<Pending> subdirs;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      FoundFile found;
      found.path = JoinPath(dir.path, name);
      const std::u16string wide(name.begin(), name.end());
      const std::string shown = Utf16ToUtf8(wide);
      found.display = dir.display.empty() ? shown : dir.display + "\\" + shown;
      found.components = dir.components;
      found.components.push_back(wide);
      DWORD attributes = data.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && followLinks) {
        attributes = GetFileAttributesW(found.path.c_str());  // the target's
        if (attributes == INVALID_FILE_ATTRIBUTES) {
          found.problem = "broken link";
          files.push_back(std::move(found));
          continue;
        }
        found.followed = true;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
          const FileId id = IdentifyFile(found.path);
          if (std::find(dir.ancestors.begin(), dir.ancestors.end(), id) != dir.ancestors.end()) {
            found.problem = "link to a folder above it, not followed again";
            files.push_back(std::move(found));
            continue;
          }
        }
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
      }
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        found.problem = "link or junction, not followed";
        found.link = true;
        files.push_back(std::move(found));
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        subdirs.push_back(Pending{found.components, found.path, found.display, dir.ancestors});
      } else {
        files.push_back(std::move(found));
      }
    } while (FindNextFileW(find, &data));
    for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it) stack.push_back(std::move(*it));
  }
  return true;
}

FileId IdentifyFile(const NativePath& path) {
  FileId id;
  const sorv::FileHandle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.IsValid()) return id;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(h, &info)) {
    id.valid = true;
    id.device = info.dwVolumeSerialNumber;
    id.number = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  }
  return id;
}

}  // namespace rdbtool
