#include "ExportFolderWin.h"

#include "CSorvResFile.h"

namespace {
constexpr DWORD kUnknown = 0xFFFFFFFFu;
}

ExportFolderWin::ExportFolderWin(const sorv::app::ExportPlan& plan)
    : m_plan(plan), m_state(plan.FolderCount(), kUnknown) {
  m_state[0] = ERROR_SUCCESS;  // the chosen folder
}

DWORD ExportFolderWin::MakeFolders(size_t entry, std::wstring& path) {
  const std::u16string target = m_plan.TargetPath(entry);
  path.assign(target.begin(), target.end());
  uint32_t folder = m_plan.Folder(entry);
  m_chain.clear();
  while (m_state[folder] == kUnknown) {
    m_chain.push_back(folder);
    folder = m_plan.Parent(folder);
  }
  DWORD result = m_state[folder];
  if (m_chain.empty()) return result;

  // The end of each level's folder text in the path: its separator after the chosen folder.
  const uint32_t depth = m_plan.Depth(m_chain.front());
  m_ends.assign(1, m_plan.FolderText().size());
  for (size_t i = m_ends[0]; i < path.size() && m_ends.size() <= depth; ++i)
    if (path[i] == L'\\') m_ends.push_back(i);

  // Outermost first. The path is cut at the folder's end in place: no folder text is copied.
  for (size_t k = m_chain.size(); k-- > 0;) {
    const uint32_t f = m_chain[k];
    if (result == ERROR_SUCCESS) {
      const size_t end = m_ends[m_plan.Depth(f)];
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
    m_state[f] = result;
  }
  return result;
}
