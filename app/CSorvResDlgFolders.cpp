// The main window's folder view: the listed entries' folders as tree items that open, each
// filled with its folders and then its entries when first opened, and one folder's export.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/CBusyScope.h"
#include "app/CSorvResDlg.h"
#include "resources/resource.h"

int CSorvResDlg::CompareNames(const wchar_t* a, const wchar_t* b) { return ::StrCmpLogicalW(a, b); }

void CSorvResDlg::OnToggleFolderView() {
  // Not in the middle of a load, filter or export: their lists must stay whole.
  if (m_bBusy) return;
  m_folderView = !m_folderView;
  // Folders open with a button; the flat list keeps its plain look.
  const DWORD folderStyles = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
  m_tree.ModifyStyle(m_folderView ? 0 : folderStyles, m_folderView ? folderStyles : 0);
  CBusyScope busy(m_bBusy);
  FillTree();
}

void CSorvResDlg::FillFolderView() {
  m_folders.Build(m_entries);
  m_folderItems.assign(m_folders.FolderCount(), nullptr);
  InsertFolderChildren(sorv::app::FolderTree::kRoot, TVI_ROOT);
  // The entry selected before the refill, found again with its folders opened.
  const size_t position = m_entries.Listed().PositionOf(m_reselect);
  if (position != sorv::app::ListedIndexes::npos) m_reselectItem = RevealListed(position);
}

void CSorvResDlg::InsertFolderChildren(uint32_t folder, HTREEITEM parent) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  // Folders first: each says it has children, which are inserted when it opens.
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.cChildren = 1;
  for (uint32_t inside : m_folders.Folders(folder)) {
    insert.item.pszText = const_cast<LPWSTR>(m_folders.Name(inside).c_str());
    insert.item.lParam = FolderData(inside);
    m_folderItems[inside] = reinterpret_cast<HTREEITEM>(
        m_tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  // Entries with their file names, as in the flat list.
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  const sorv::app::ListedIndexes& listed = m_entries.Listed();
  for (uint32_t position : m_folders.Files(folder)) {
    const std::wstring text = m_folders.FileText(position);
    insert.item.pszText = const_cast<LPWSTR>(text.c_str());
    insert.item.lParam = EntryData(listed[position]);
    const HTREEITEM item =
        reinterpret_cast<HTREEITEM>(m_tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item) m_openedItems[position] = item;
  }
}

void CSorvResDlg::OnTreeItemExpanding(const NMTREEVIEWW* notification) {
  if (notification->action != TVE_EXPAND || !IsFolderData(notification->itemNew.lParam)) return;
  const HTREEITEM item = notification->itemNew.hItem;
  // Filled once: a folder that was open before has its children.
  if (m_tree.GetNextItem(item, TVGN_CHILD)) return;
  const uint32_t folder = FolderOfData(notification->itemNew.lParam);
  if (folder >= m_folders.FolderCount()) return;
  m_tree.SetRedraw(FALSE);
  InsertFolderChildren(folder, item);
  m_tree.SetRedraw(TRUE);
}

HTREEITEM CSorvResDlg::ListedItem(size_t position) const {
  if (!m_folderView) return position < m_listedItems.size() ? m_listedItems[position] : nullptr;
  const auto found = m_openedItems.find(static_cast<uint32_t>(position));
  return found == m_openedItems.end() ? nullptr : found->second;
}

HTREEITEM CSorvResDlg::RevealListed(size_t position) {
  if (position >= m_entries.Listed().size()) return nullptr;
  if (m_folderView && !ListedItem(position)) {
    // Open the folders from the top down to the entry's.
    std::vector<uint32_t> chain;
    for (uint32_t f = m_folders.FolderOf(static_cast<uint32_t>(position)); f != sorv::app::FolderTree::kRoot;
         f = m_folders.Parent(f))
      chain.push_back(f);
    for (auto f = chain.rbegin(); f != chain.rend(); ++f)
      if (m_folderItems[*f]) m_tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(m_folderItems[*f]));
  }
  return ListedItem(position);
}

void CSorvResDlg::ShowFolder(uint32_t folder) {
  // A folder has no preview: the name box shows its path.
  m_shownItem = nullptr;
  m_editName.SetWindowText(m_folders.Path(folder).c_str());
  m_preview.ClearImage();
}

void CSorvResDlg::OnExportFolder(uint32_t folder) {
  if (m_bBusy || folder >= m_folders.FolderCount()) return;
  // The entries keep their stored names: their paths below the chosen folder are the
  // same as in an export of everything.
  ExportEntries(m_folders.EntriesBelow(folder));
}

void CSorvResDlg::PrepareTreeMenu(HMENU popup, HTREEITEM clicked) {
  const bool folder = clicked && IsFolderData(m_tree.GetItemData(clicked));
  if (!folder) ::DeleteMenu(popup, IDM_EXPORT_FOLDER, MF_BYCOMMAND);
  ::CheckMenuItem(popup, IDM_FOLDER_VIEW, MF_BYCOMMAND | (m_folderView ? MF_CHECKED : MF_UNCHECKED));
}
