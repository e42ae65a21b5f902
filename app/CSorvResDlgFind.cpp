// The main window's find by name: the system's Find dialog (Ctrl+F), F3 and Shift+F3. The
// text is looked for in the stored names of the listed entries, in the order the tree shows
// them, from the selection on; at the end the search goes on from the other end and pane 0
// says so.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "app/CSorvResDlg.h"
#include "app/WideText.h"
#include "framework/CPlatformUi.h"
#include "rules/NameQuery.h"

using sorv::app::ToU16;

void CSorvResDlg::OnFind() {
  if (m_bBusy) return;
  m_findDialog.Open(m_hWnd, m_findText);
}

void CSorvResDlg::OnFindMessage(LPARAM lParam) {
  switch (m_findDialog.Read(lParam)) {
    case CFindDialog::kFindNext:
      if (m_bBusy) return;
      m_findText = m_findDialog.Text();
      m_findMatchCase = m_findDialog.MatchCase();
      FindAgain(m_findDialog.Down());
      break;
    case CFindDialog::kClosing:
      // The keys go back to the tree once the dialog is gone.
      ::PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_tree.GetHwnd()), TRUE);
      break;
    case CFindDialog::kNone:
      break;
  }
}

void CSorvResDlg::FindAgain(bool down) {
  if (m_bBusy) return;
  // Nothing asked for yet: F3 asks.
  if (m_findText.empty()) {
    OnFind();
    return;
  }
  const sorv::app::ListedIndexes& listed = m_entries.Listed();
  const size_t count = listed.size();
  // The flat list holds every listed entry (a refill stopped part way lists fewer).
  if (count == 0 || (!m_folderView && m_listedItems.size() != count)) return;
  const sorv::rules::NameQuery query(ToU16(m_findText), m_findMatchCase);

  // The listed positions in the tree's order: the index order of the flat list, the fully
  // opened order of the folder view.
  const std::vector<uint32_t>* order = m_folderView ? &m_folders.DisplayOrder() : nullptr;
  auto positionAt = [order](size_t i) { return order ? (*order)[i] : i; };

  // Where the search starts: behind (or before) the selected entry; a selected folder
  // starts it at its first entry, no selection at the first (or last) entry.
  const long long n = static_cast<long long>(count);
  long long from = down ? -1 : n;
  const HTREEITEM selected = m_tree.GetSelectedItem();
  const LPARAM data = selected ? m_tree.GetItemData(selected) : 0;
  if (selected && IsFolderData(data)) {
    const long long begin = static_cast<long long>(m_folders.DisplayBegin(FolderOfData(data)));
    from = down ? begin - 1 : begin;
  } else if (selected) {
    const size_t i = listed.PositionOf(IndexOfData(data));
    if (i != sorv::app::ListedIndexes::npos) {
      from = static_cast<long long>(m_folderView ? m_folders.DisplayIndexOf(static_cast<uint32_t>(i)) : i);
    }
  }

  // One step at a time round the list (no division per name: this loop is the find's cost).
  size_t at = static_cast<size_t>(from < 0 ? n - 1 : (from >= n ? 0 : from));
  bool wrapped = false;
  if (from < 0) wrapped = true;       // the first step goes round to 0 without wrapping
  if (from >= n) wrapped = true;
  for (long long step = 1; step <= n; ++step) {
    if (down) {
      if (++at == count) at = 0, wrapped = !wrapped;
    } else {
      if (at == 0) at = count, wrapped = !wrapped;
      --at;
    }
    const ResChar* name = m_entries.Entry(listed[positionAt(at)]).pszName;
    if (!name) continue;
    if (!query.Matches(std::u16string_view(reinterpret_cast<const char16_t*>(name), std::wcslen(name)))) continue;
    const HTREEITEM found = RevealListed(positionAt(at));
    if (!found) return;
    m_tree.SelectItem(found);
    m_tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(found));
    ShowPreview(&m_entries.Item(listed[positionAt(at)]));
    m_statusBar.SetPaneText(0,
                            wrapped ? (down ? L"已查找到末尾，从开头继续" : L"已查找到开头，从末尾继续")
                                    : sorv::app::FromU16<wchar_t>(m_entries.CountText()).c_str(),
                            true);
    return;
  }
  CPlatformUi::Current().ShowMessage(m_hWnd, L"找不到\"" + m_findText + L"\"");
}
