#include <windows.h>

#include "cli/RefusalText.h"
#include "cli/system/ExtractFolder.h"
#include "cli/system/SystemError.h"
#include "rules/ExportFolderWin.h"

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
  // A test seam: the tests make a file's write fail part-way without filling a disk.
  wchar_t fault[32];
  const DWORD n = GetEnvironmentVariableW(L"RDBTOOL_TEST_WRITE_FAULT_AFTER", fault, 32);
  if (n > 0 && n < 32) sorv::rules::InjectWriteFault(_wcstoui64(fault, nullptr, 10));
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
  kept_ = false;
  using sorv::rules::WriteOutcome;
  const sorv::rules::WriteResult r = folders_->Write(entry, data, size, keepExisting_);
  const char* const what = r.atFolder ? "folder" : "file";
  switch (r.outcome) {
    case WriteOutcome::kWritten:
      return true;
    case WriteOutcome::kKept:
      kept_ = true;
      error = "an existing file of that name is kept";
      return false;
    case WriteOutcome::kLink:
      error = r.atFolder ? "link: a folder on the way is a link or junction, which extract does not enter"
                         : "link: a link or junction has the file's name; it is left alone";
      return false;
    case WriteOutcome::kAlias:
      error = "alias: the system takes this name for another file or folder's short name";
      return false;
    case WriteOutcome::kNameChanged:
      error = std::string("name changed by the system: the ") + what + " it made has another name";
      return false;
    case WriteOutcome::kNotFolder:
      error = "write failed: a file has the name of a folder on the way";
      return false;
    case WriteOutcome::kMoved:
      error = std::string("write failed: the ") + what + "'s folder was moved away while extracting";
      return false;
    case WriteOutcome::kFailed:
      break;
  }
  error = r.atFolder ? "write failed: cannot make a folder on the way: " + ErrorText(r.error)
                     : "write failed: cannot write the file: " + ErrorText(r.error);
  return false;
}

}  // namespace rdbtool
