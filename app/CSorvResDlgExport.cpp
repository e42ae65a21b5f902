// The main window's writing commands: saving the selected entry, and exporting every
// listed entry below a chosen folder with the directory parts of its stored name.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <unordered_set>

#include "CBusyScope.h"
#include "CFolderDlg.h"
#include "CPlatformUi.h"
#include "CWorkProgress.h"
#include "CSorvResDlg.h"
#include "ExportPath.h"
#include "SaveName.h"
#include "WideText.h"
#include "WorkText.h"

using sorv::app::FromU16;
using sorv::app::ToU16;

void CSorvResDlg::OnSaveFile() {
  if (m_bBusy) return;
  const HTREEITEM selected = m_tree.GetSelectedItem();
  if (!selected) return;
  const RESITEM* item = reinterpret_cast<const RESITEM*>(m_tree.GetItemData(selected));
  const RESENTRY* entry = item ? item->pEntry : nullptr;
  if (!entry || entry->nSize <= 0) {
    CPlatformUi::Current().ShowMessage(m_hWnd, L"资源文件大小为零不能保存!");
    return;
  }
  // The save dialog pumps messages: a drop there must not close the package under `entry`.
  CBusyScope busy(m_bBusy);
  FileDialogRequest request;
  request.open = false;
  request.title = L"保存文件";
  request.filter = L"任意文件|*.*||";
  request.fileName = MakeSaveName(entry->pszName);
  request.flags = OFN_OVERWRITEPROMPT | OFN_SHAREAWARE;
  request.owner = m_hWnd;
  request.folder = m_lastSaveFolder;
  std::wstring path;
  if (!CPlatformUi::Current().FileDialog(request, path)) return;
  const UINT written = m_resFile.SaveEntry(path, entry);
  if (written) RememberSaveFolder(path);
  CPlatformUi::Current().ShowMessage(m_hWnd, L"保存" + path + (written ? L"文件成功!" : L"文件失败!"));
}

void CSorvResDlg::OnExportAll() {
  if (m_bBusy) return;
  if (m_tree.GetCount() == 0) return;
  CFolderDlg chooser(L"请选择导出目录...", m_hWnd);
  if (!m_lastExportFolder.empty()) chooser.SetFolderPath(m_lastExportFolder);
  if (CPlatformUi::Current().RunModal(chooser) != IDOK) return;
  m_lastExportFolder = chooser.GetFolderPath();

  CBusyScope busy(m_bBusy);
  EnableCommands(FALSE);
  PumpMessages();
  const std::u16string folder = ToU16(chooser.GetFolderPath());
  // Directories made or found during this export: each is looked at once, not per entry.
  std::unordered_set<std::wstring> existing;
  size_t notExported = 0;
  // The listed items in tree order. The progress pumps messages but drops the input
  // that could change the list; Esc or the close box stop the loop before an entry.
  CWorkProgress progress(m_statusBar, L"导出..", m_listed.size(), CWorkProgress::kStoppable);
  for (const RESITEM* item : m_listed) {
    if (!progress.Step()) break;
    const RESENTRY* entry = item ? item->pEntry : nullptr;
    if (!entry) {
      ++notExported;
      continue;
    }
    // Names that could leave the folder or name a device are not written.
    const sorv::app::ExportTarget target = sorv::app::MakeExportTarget(folder, ToU16(entry->pszName));
    bool ready = target.Allowed();
    // The subdirectories in order below the folder, never the climb from the full
    // directory: with a drive root as the folder that would start at "D:".
    for (size_t i = 0; ready && i < target.subdirectories.size(); ++i) {
      std::wstring directory = FromU16<wchar_t>(target.subdirectories[i]);
      if (existing.count(directory)) continue;
      // Creating first costs one call for a new directory; only a name that exists already
      // is then looked at, where MakeDirectories tells a directory from a file in the way.
      ready = ::CreateDirectoryW(directory.c_str(), nullptr) || MakeDirectories(directory);
      if (ready) existing.insert(std::move(directory));
    }
    if (!ready || m_resFile.SaveEntry(FromU16<wchar_t>(target.path), entry) == 0) ++notExported;
  }
  progress.End();
  progress.RestorePaneText();
  CPlatformUi::Current().ShowMessage(
      m_hWnd, FromU16<wchar_t>(progress.Stopped() ? sorv::app::ExportStoppedMessage(progress.Done() - notExported,
                                                                                    progress.Total())
                                                  : sorv::app::ExportDoneMessage(notExported)));
  EnableCommands(TRUE);
  PumpMessages();
}

std::wstring CSorvResDlg::MakeSaveName(const std::wstring& storedName) {
  return FromU16<wchar_t>(sorv::app::MakeSaveName(ToU16(storedName)));
}

BOOL CSorvResDlg::MakeDirectories(std::wstring directory) {
  WIN32_FIND_DATAW found;
  const HANDLE find = ::FindFirstFileW(directory.c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    ::FindClose(find);
    // A file of that name is in the way.
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE;
  }
  if (::CreateDirectoryW(directory.c_str(), nullptr)) return TRUE;
  // "/" separates directories as "\" does. A separator at index 0 to 2 is a root such as
  // "X:\", which is never made.
  const size_t last = directory.find_last_of(L"\\/");
  if (last == std::wstring::npos || last < 3) return FALSE;
  if (!MakeDirectories(directory.substr(0, last))) return FALSE;
  return ::CreateDirectoryW(directory.c_str(), nullptr);
}
