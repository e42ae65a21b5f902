#include <windows.h>

#include "cli/system/FolderWalk.h"
#include "cli/system/SystemError.h"
#include "platform/KernelHandle.h"

namespace rdbtool {

const char* const kLinkLoopProblem = "link to a folder above it, not followed again";
const char kDisplaySeparator = '\\';

bool ReadFolder(const NativePath& path, bool /*viaLink*/, bool followLinks, FileId& self,
                std::vector<FolderChild>& children, std::string& error) {
  children.clear();
  WIN32_FIND_DATAW data;
  const sorv::FindHandle find(FindFirstFileW(JoinPath(path, L"*").c_str(), &data));
  if (!find.IsValid()) {
    error = LastSystemError();
    return false;
  }
  // Only a followed link can lead back up.
  self = followLinks ? IdentifyFile(path) : FileId();
  do {
    FolderChild child;
    child.name = data.cFileName;
    if (child.name == L"." || child.name == L"..") continue;
    child.text.assign(child.name.begin(), child.name.end());
    DWORD attributes = data.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && followLinks) {
      const NativePath full = JoinPath(path, child.name);
      attributes = GetFileAttributesW(full.c_str());  // the target's
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        child.problem = "broken link";
        children.push_back(std::move(child));
        continue;
      }
      child.viaLink = true;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) child.folderId = IdentifyFile(full);
      attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      child.kind = FolderChild::Kind::kLink;
      child.problem = "link or junction, not followed";
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      child.kind = FolderChild::Kind::kFolder;
    } else {
      child.kind = FolderChild::Kind::kFile;
    }
    children.push_back(std::move(child));
  } while (FindNextFileW(find, &data));
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
