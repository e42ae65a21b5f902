#include <windows.h>

#include "package/CSorvResFile.h"
#include "rules/ExportFolderWin.h"
#include "cli/ExtractFolder.h"
#include "cli/RefusalText.h"
#include "cli/SystemError.h"

namespace rdbtool {

namespace {

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

std::string ErrorText(DWORD code) {
  SetLastError(code);
  return LastSystemError();
}

}  // namespace

ExtractFolder::ExtractFolder() = default;
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

// The package is open and mapped while extract runs: the system refuses to replace or
// remove it, so its file cannot be lost to an entry of the same name.
void ExtractFolder::Protect(const NativePath&) {}

sorv::rules::ExportPlan ExtractFolder::MakePlan() const {
  return sorv::rules::ExportPlan(folder_, sorv::rules::WindowsExportLimits(), sorv::rules::PlatformFileNameFold());
}

bool ExtractFolder::Write(const sorv::rules::ExportPlan& plan, size_t entry, const uint8_t* data, uint64_t size,
                          std::string& error) {
  if (!plan.Allowed(entry)) {
    error = RefusalText(plan.Refusal(entry));
    return false;
  }
  if (!folders_ || &folders_->Plan() != &plan) folders_.reset(new sorv::rules::ExportFolderWin(plan));
  std::wstring path;
  const DWORD made = folders_->MakeFolders(entry, path);
  if (made == ERROR_STOPPED_ON_SYMLINK) {
    error = "link: a folder on the way is a link or junction, which extract does not enter";
    return false;
  }
  if (made == ERROR_DIRECTORY) {
    error = "write failed: a file has the name of a folder on the way";
    return false;
  }
  if (made != ERROR_SUCCESS) {
    error = "write failed: cannot make a folder on the way: " + ErrorText(made);
    return false;
  }
  kept_ = false;
  HANDLE file;
  if (keepExisting_) {
    // Only a new file: creating one never goes through anything already of that name.
    file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE && (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
      kept_ = true;
      error = "an existing file of that name is kept";
      return false;
    }
  } else {
    file = CSorvResFile::CreateEntryFile(path, true);
  }
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    error = e == ERROR_STOPPED_ON_SYMLINK ? "link: a link or junction has the file's name; it is left alone"
                                          : "write failed: cannot create the file: " + ErrorText(e);
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
    error = "write failed: cannot write the file: " + error;
  }
  return ok;
}

}  // namespace rdbtool
