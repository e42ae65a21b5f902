// The main window's writing commands: saving the selected entry, and exporting every
// listed entry below a chosen folder with the directory parts of its stored name.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <new>

#include "app/CBusyScope.h"
#include "app/CFolderDlg.h"
#include "app/CSorvResDlg.h"
#include "app/CWorkProgress.h"
#include "app/SystemText.h"
#include "app/WideText.h"
#include "app/WorkText.h"
#include "framework/CPlatformUi.h"
#include "rules/ExportFolderWin.h"
#include "rules/ExportPath.h"
#include "rules/ExportPlan.h"
#include "rules/SaveName.h"

using sorv::app::FromU16;
using sorv::app::ToU16;

void CSorvResDlg::OnSaveFile() {
  if (m_bBusy) return;
  const HTREEITEM selected = m_tree.GetSelectedItem();
  if (!selected) return;
  // A folder of the folder view is no entry to save.
  const LPARAM itemData = m_tree.GetItemData(selected);
  if (IsFolderData(itemData)) return;
  const RESITEM* item = EntryOfData(itemData);
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
  // Success is the file made with its whole content, an empty payload included. A file of
  // that name is replaced only by a complete new one: a failed save leaves it as it was.
  const BYTE* data = nullptr;
  DWORD size = 0;
  const bool written = m_resFile.GetContent(entry, data, size) &&
                       sorv::rules::WriteFileReplacing(path + m_resFile.AppendedExtension(entry), data, size).Written();
  if (written) RememberSaveFolder(path);
  CPlatformUi::Current().ShowMessage(m_hWnd, L"保存" + path + (written ? L"文件成功!" : L"文件失败!"));
}

void CSorvResDlg::OnExportAll() {
  if (m_bBusy) return;
  if (m_tree.GetCount() == 0) return;
  ExportEntries(m_entries.Listed().ToVector());
}

void CSorvResDlg::ExportEntries(const std::vector<uint32_t>& entries) {
  if (m_bBusy || entries.empty()) return;
  CFolderDlg chooser(L"请选择导出目录...", m_hWnd);
  if (!m_lastExportFolder.empty()) chooser.SetFolderPath(m_lastExportFolder);
  if (CPlatformUi::Current().RunModal(chooser) != IDOK) return;
  m_lastExportFolder = chooser.GetFolderPath();

  // The commands come back on every way out, an exception included.
  CBusyScope busy(m_bBusy, [this](bool on) { EnableCommands(on ? TRUE : FALSE); });
  PumpMessages();
  try {
    // Pane 0 counts the entries written; the window keeps painting, and Esc or the close
    // box stop the export before its next entry.
    CWorkProgress progress(m_statusBar, L"导出..", entries.size(), CWorkProgress::kStoppable);
    std::vector<sorv::app::NotExportedEntry> named;
    const size_t notExported = ExportListed(chooser.GetFolderPath(), entries, &named);
    progress.End();
    progress.RestorePaneText();
    CPlatformUi::Current().ShowMessage(
        m_hWnd, FromU16<wchar_t>(progress.Stopped()
                                     ? sorv::app::ExportStoppedMessage(progress.Done() - notExported, progress.Total())
                                     : sorv::app::ExportDoneText(notExported, named)));
  } catch (const std::bad_alloc&) {
    ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
  }
  busy.Finish();
  PumpMessages();
}

namespace {

// The system's words for an error code, without the final line break.
std::u16string SystemErrorWords(DWORD code) {
  std::wstring words = SystemText(code);
  if (words.empty()) words = L"错误 " + std::to_wstring(code);
  while (!words.empty() && words.back() == L' ') words.pop_back();
  return ToU16(words);
}

// What the writer met on the disk, in words; the system has none for these.
std::u16string WriteOutcomeWords(sorv::rules::WriteOutcome outcome) {
  using sorv::rules::WriteOutcome;
  switch (outcome) {
    case WriteOutcome::kLink: return u"路径上有链接或联接点";
    case WriteOutcome::kAlias: return u"名称是另一个文件或目录的短名称";
    case WriteOutcome::kNameChanged: return u"系统改变了名称";
    case WriteOutcome::kNotFolder: return u"有同名文件占了目录的名称";
    case WriteOutcome::kMoved: return u"导出时目录被移走";
    case WriteOutcome::kKept: return u"已有同名文件";
    case WriteOutcome::kWritten:
    case WriteOutcome::kFailed: break;
  }
  return u"";
}

}  // namespace

size_t CSorvResDlg::ExportListed(const std::wstring& folder, const std::vector<uint32_t>& listed,
                                 std::vector<sorv::app::NotExportedEntry>* named) {
  // Every target is decided before anything is written. The listed items in index order:
  // the running progress pumps messages but drops the input that could change the list.
  sorv::rules::ExportPlan plan(ToU16(folder), sorv::rules::WindowsExportLimits(), sorv::rules::PlatformFileNameFold());
  for (uint32_t index : listed) {
    const RESENTRY* entry = &m_entries.Entry(index);
    if (!entry->pszName) {
      plan.Add(std::u16string_view(), std::u16string_view());  // refused: no name
      continue;
    }
    plan.Add(std::u16string_view(reinterpret_cast<const char16_t*>(entry->pszName), wcslen(entry->pszName)),
             reinterpret_cast<const char16_t*>(m_resFile.AppendedExtension(entry)));
  }

  sorv::rules::ExportFolderWin folders(plan);
  size_t notExported = 0;
  CWorkProgress* const progress = CWorkProgress::Active();
  for (size_t i = 0; i < listed.size(); ++i) {
    // A stop asked for ends the export here; the entries not begun are not counted.
    if (progress && !progress->Step()) break;
    OnExportEntry(i, listed.size());
    // Refused: unsafe name, too long, or a second entry for a file already planned; then
    // what the file system refuses (links, aliases, names it changes) and write failures.
    const BYTE* data = nullptr;
    DWORD size = 0;
    sorv::rules::WriteResult result;
    if (plan.Allowed(i)) {
      if (m_resFile.GetContent(&m_entries.Entry(listed[i]), data, size)) result = folders.Write(i, data, size);
      else result.error = ERROR_INVALID_DATA;
    }
    if (!result.Written()) {
      ++notExported;
      if (named && named->size() < sorv::app::kNamedNotExported) NameNotExported(*named, &m_entries.Entry(listed[i]), plan.Refusal(i), result);
    }
  }
  return notExported;
}

void CSorvResDlg::NameNotExported(std::vector<sorv::app::NotExportedEntry>& named, const RESENTRY* entry,
                                  sorv::rules::ExportRefusal refusal, const sorv::rules::WriteResult& result) {
  sorv::app::NotExportedEntry e;
  e.name = entry ? ToU16(entry->pszName) : std::u16string();
  if (refusal != sorv::rules::ExportRefusal::kNone) e.reason = sorv::app::RefusalWords(refusal);
  else if (result.outcome == sorv::rules::WriteOutcome::kFailed) e.reason = SystemErrorWords(result.error);
  else e.reason = WriteOutcomeWords(result.outcome);
  named.push_back(std::move(e));
}

std::wstring CSorvResDlg::MakeSaveName(const std::wstring& storedName) {
  return FromU16<wchar_t>(sorv::rules::MakeSaveName(ToU16(storedName)));
}
