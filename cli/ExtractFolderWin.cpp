#include <windows.h>

#include "ExtractFolder.h"
#include "SystemError.h"

namespace rdbtool {

namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes `path` and its missing parents. Prefixes that cannot be made (a drive, a share)
// are passed over; the final check says whether the folder is there.
void MakePath(const std::wstring& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
    CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

}  // namespace

ExtractFolder::~ExtractFolder() = default;

bool ExtractFolder::Open(const NativePath& folder, std::string& error) {
  const std::wstring path = folder.empty() ? L"." : folder;
  if (!IsDirectory(path)) MakePath(path);
  if (!IsDirectory(path)) {
    error = "cannot make '" + DisplayPath(path) + "': " + LastSystemError();
    return false;
  }
  folder_.assign(path.begin(), path.end());
  return true;
}

sorv::app::ExportTarget ExtractFolder::Target(std::u16string_view storedName) const {
  return sorv::app::MakeExportTarget(folder_, std::u16string(storedName));
}

bool ExtractFolder::MakeDirectories(const sorv::app::ExportTarget& target, std::string& error) {
  const std::vector<std::u16string>& dirs = target.subdirectories;
  size_t keep = 0;
  while (keep < made_.size() && keep < dirs.size() && made_[keep] == dirs[keep]) ++keep;
  made_.resize(keep);
  for (size_t i = keep; i < dirs.size(); ++i) {
    const std::wstring dir = Wide(dirs[i]);
    if (!CreateDirectoryW(dir.c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot make folder '" + DisplayPath(dir) + "': " + LastSystemError();
        return false;
      }
      if (!IsDirectory(dir)) {
        error = "cannot make folder '" + DisplayPath(dir) + "': a file of that name is in the way";
        return false;
      }
    }
    made_.push_back(dirs[i]);
  }
  return true;
}

bool ExtractFolder::Write(const sorv::app::ExportTarget& target, std::u16string_view appendExt,
                          const uint8_t* data, uint64_t size, std::string& error) {
  if (!target.Allowed()) {
    error = RefusalText(target.refusal);
    return false;
  }
  if (!MakeDirectories(target, error)) return false;
  std::u16string path16 = target.path;
  path16 += appendExt;
  const std::wstring path = Wide(path16);
  // As the window program's save: replace whatever file is there.
  kept_ = false;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, keepExisting_ ? CREATE_NEW : CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE && keepExisting_ &&
      (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
    kept_ = true;
    error = "an existing file of that name is kept";
    return false;
  }
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot create the file: " + LastSystemError();
    return false;
  }
  bool ok = true;
  while (ok && size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      error = LastSystemError();
      ok = false;
      break;
    }
    data += written;
    size -= written;
  }
  if (!CloseHandle(file) && ok) {
    error = LastSystemError();
    ok = false;
  }
  if (!ok) {
    DeleteFileW(path.c_str());
    error = "cannot write the file: " + error;
  }
  return ok;
}

}  // namespace rdbtool
