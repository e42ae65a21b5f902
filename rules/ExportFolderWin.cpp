#include "rules/ExportFolderWin.h"

#include "package/CSorvResFile.h"  // ERROR_STOPPED_ON_SYMLINK where the headers lack it

namespace sorv {
namespace rules {

namespace {

constexpr DWORD kUnknown = 0xFFFFFFFFu;

// The folder in the system's long form ("\\?\C:\..." or "\\?\UNC\server\share\..."), so
// that targets up to the system's full path length are written, not only those within
// the short limit. The names below it are plain names (the plan checked them), which the
// long form takes as they are.
std::wstring LongForm(const std::u16string& folder) {
  const std::wstring text(folder.begin(), folder.end());
  if (text.compare(0, 4, L"\\\\?\\") == 0 || text.compare(0, 4, L"\\\\.\\") == 0) return text;
  const DWORD n = ::GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (n == 0) return text;
  std::wstring full(n, L'\0');
  full.resize(::GetFullPathNameW(text.c_str(), n, &full[0], nullptr));
  if (full.size() < 3) return text;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  if (full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  return text;
}

}  // namespace

ExportFolderWin::ExportFolderWin(const ExportPlan& plan)
    : plan_(plan), folder_(LongForm(plan.FolderText())), state_(plan.FolderCount(), kUnknown) {
  if (folder_.empty() || folder_.back() != L'\\') folder_ += L'\\';
  state_[0] = ERROR_SUCCESS;  // the chosen folder
}

DWORD ExportFolderWin::MakeFolders(size_t entry, std::wstring& path) {
  const std::u16string target = plan_.TargetPath(entry);
  path = folder_;
  path.append(target.begin() + static_cast<ptrdiff_t>(plan_.FolderText().size()), target.end());
  uint32_t folder = plan_.Folder(entry);
  chain_.clear();
  while (state_[folder] == kUnknown) {
    chain_.push_back(folder);
    folder = plan_.Parent(folder);
  }
  DWORD result = state_[folder];
  if (chain_.empty()) return result;

  // The end of each level's folder text in the path: its separator after the chosen folder.
  const uint32_t depth = plan_.Depth(chain_.front());
  ends_.assign(1, folder_.size());
  for (size_t i = ends_[0]; i < path.size() && ends_.size() <= depth; ++i)
    if (path[i] == L'\\') ends_.push_back(i);

  // Outermost first. The path is cut at the folder's end in place: no folder text is copied.
  for (size_t k = chain_.size(); k-- > 0;) {
    const uint32_t f = chain_[k];
    if (result == ERROR_SUCCESS) {
      const size_t end = ends_[plan_.Depth(f)];
      path[end] = L'\0';
      if (!::CreateDirectoryW(path.c_str(), nullptr)) {
        result = ::GetLastError();
        if (result == ERROR_ALREADY_EXISTS) {
          // Made before this export: only a plain folder is entered.
          const DWORD attributes = ::GetFileAttributesW(path.c_str());
          if (attributes == INVALID_FILE_ATTRIBUTES) result = ::GetLastError();
          else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) result = ERROR_STOPPED_ON_SYMLINK;
          else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) result = ERROR_DIRECTORY;
          else result = ERROR_SUCCESS;
        }
      }
      path[end] = L'\\';
    }
    state_[f] = result;
  }
  return result;
}

}  // namespace rules
}  // namespace sorv
