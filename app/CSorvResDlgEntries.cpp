// The main window's package view: opening (button or drop), the entry list, the filtered
// tree with its counts, and the preview of the selected entry.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <memory>
#include <new>

#include "app/CBusyScope.h"
#include "app/CSorvResDlg.h"
#include "app/CWorkProgress.h"
#include "app/SystemText.h"
#include "app/WideText.h"
#include "framework/CPlatformUi.h"

using sorv::app::FromU16;

void CSorvResDlg::OnOpenFile() {
  if (m_bBusy) return;
  FileDialogRequest request;
  request.open = true;
  request.title = L"打开文件";
  request.filter = L"Sorv资源文件*.rdb|*.rdb|所有文件|*.*||";
  request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  request.owner = m_hWnd;
  request.folder = m_lastPackageFolder;
  std::wstring path;
  if (CPlatformUi::Current().FileDialog(request, path)) LoadPackage(path);
}

void CSorvResDlg::OnDropFiles(HDROP drop) {
  // Ignored while a load, save or export runs: a nested load would close the package that
  // the running operation still reads.
  if (!m_bBusy && ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) != 0) {
    // The whole name, however long: a name cut to a fixed buffer could name another file.
    const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    path.resize(::DragQueryFileW(drop, 0, &path[0], length + 1));
    LoadPackage(path);
  }
  ::DragFinish(drop);
}

void CSorvResDlg::EnableCommands(BOOL enable) {
  if (!enable) {
    // Disabling the control that has the focus leaves the window with none, and then Esc
    // and Enter reach nothing: the focus goes back to it when the work ends.
    HWND focus = ::GetFocus();
    m_hFocusBeforeWork = (focus && ::IsChild(m_hWnd, focus)) ? focus : nullptr;
  }
  m_btnOpen.EnableWindow(enable);
  m_btnSave.EnableWindow(enable);
  m_btnExport.EnableWindow(enable);
  m_editPath.EnableWindow(enable);
  // Only while the window is the active one: a user who went to another program keeps it.
  if (enable && !::GetFocus() && ::GetActiveWindow() == m_hWnd) {
    HWND back = m_hFocusBeforeWork;
    if (!back || !::IsWindow(back) || !::IsWindowEnabled(back) || !::IsWindowVisible(back)) back = m_tree.GetHwnd();
    ::SetFocus(back);
  }
}

void CSorvResDlg::LoadPackage(std::wstring path) {
  if (m_bBusy) return;
  CBusyScope busy(m_bBusy, [this](bool on) { EnableCommands(on ? TRUE : FALSE); });
  PumpMessages();
  try {
    // Pane 0 shows the load's progress and the window keeps painting; input that arrives
    // meanwhile is dropped when it ends, but Esc and the close box stop it.
    CWorkProgress progress(m_statusBar, L"load..", 0, CWorkProgress::kStoppable, true);
    PumpMessages();
    ClearItems();
    // The package shown until now is about to be closed.
    m_editPath.SetWindowText(L"");
    m_statusBar.SetPaneText(0, L"load..", true);
    PumpMessages();
    if (m_resFile.Open(path.c_str(), FILE_SHARE_READ)) {
      m_strPackagePath = path;
      m_editPath.SetWindowText(path.c_str());
      RememberPackageFolder(path);
      PumpMessages();
      // One step per entry: whether it is listed, and its place in the flat list.
      progress.SetTotal(m_resFile.Entries().size());
      BuildItems();
      if (progress.Stopped()) {
        // As after a failed open, without its message: nothing listed, no package.
        ClearItems();
        m_resFile.Close();
        m_editPath.SetWindowText(L"");
        progress.End();
        m_statusBar.SetPaneText(0, L"", true);
      }
    } else {
      progress.End();
      m_statusBar.SetPaneText(0, L"打开文件失败", true);
      CPlatformUi::Current().ShowMessage(m_hWnd, L"打开文件失败!\r\n\r\n" + path);
    }
  } catch (const std::bad_alloc&) {
    // Nothing half-built stays: no items, no package, the path box empty.
    ClearItems();
    m_resFile.Close();
    m_editPath.SetWindowText(L"");
    m_statusBar.SetPaneText(0, L"打开文件失败", true);
    ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
  }
  busy.Finish();
  PumpMessages();
}

void CSorvResDlg::ShowSystemError(DWORD code) {
  std::wstring message = SystemText(code);
  if (message.empty()) message = L"Error " + std::to_wstring(code);
  CPlatformUi::Current().ShowMessage(m_hWnd, message);
}

void CSorvResDlg::ClearTree() {
  // Redrawing off: the tree would otherwise repaint after every item it lets go.
  m_tree.SetRedraw(FALSE);
  m_tree.DeleteAllItems();
  m_entries.Unlist();
  m_listedItems.clear();
  m_listedItems.shrink_to_fit();
  m_openedItems.clear();
  m_folderItems.clear();
  m_folders.Clear();
  m_tree.SetRedraw(TRUE);
}

void CSorvResDlg::ClearItems() {
  m_strPackagePath.clear();
  m_shownItem = nullptr;
  m_editName.SetWindowText(L"");
  m_preview.ClearImage();
  ClearTree();
  m_entries.Clear();
  m_statusBar.SetPaneText(0, L"", true);
  PumpMessages();
}

void CSorvResDlg::BuildItems() {
  ClearItems();
  m_entries.Build(m_resFile.Entries());
  FillTree();
}

void CSorvResDlg::FillTree() {
  // The entry the tree had selected is selected again if it is still listed; the name box
  // and the preview follow the selection either way.
  const HTREEITEM selected = m_tree.GetSelectedItem();
  const LPARAM selectedData = selected ? m_tree.GetItemData(selected) : 0;
  m_reselect = IndexOfData(selectedData);
  m_reselectItem = nullptr;
  // A refill of its own (a filter change) counts in pane 0 too.
  std::unique_ptr<CWorkProgress> own;
  if (!m_entries.Empty() && !CWorkProgress::Active())
    own.reset(new CWorkProgress(m_statusBar, L"过滤..", m_entries.Count()));
  m_tree.SetRedraw(FALSE);
  m_tree.DeleteAllItems();
  m_listedItems.clear();
  m_listedItems.shrink_to_fit();
  m_openedItems.clear();
  m_folderItems.clear();
  m_folders.Clear();
  // The filter replaces what was listed; with no entries nothing is.
  if (!m_entries.Empty()) {
    CWorkProgress* const progress = CWorkProgress::Active();
    m_entries.Filter(
        m_filter.GetCurSel(), [this](uint32_t index) { return InsertListed(index); },
        [progress] { return !progress || progress->Step(); });
    if (m_folderView) FillFolderView();
    if (own) own->End();
    m_statusBar.SetPaneText(0, FromU16<wchar_t>(m_entries.CountText()).c_str(), true);
    if (CWorkProgress* work = CWorkProgress::Active()) work->MarkShown();
  }
  m_tree.SetRedraw(TRUE);
  if (m_reselectItem) m_tree.SelectItem(m_reselectItem);
  RESITEM* const now = m_reselectItem && m_reselect < m_entries.Count() ? &m_entries.Item(m_reselect) : nullptr;
  // A folder shown before is not in the new tree.
  if (now != m_shownItem || IsFolderData(selectedData)) ShowPreview(now);
  m_reselect = kNoEntry;
  m_reselectItem = nullptr;
}

void CSorvResDlg::OnFilterChanged() {
  // Never in the middle of a load or an export, whose pumping drops the input that could
  // change the filter; the guard keeps their lists whole all the same.
  if (m_bBusy) return;
  // Keys move the choice while the list is open: the refill waits until it closes.
  if (m_filter.GetDroppedState()) return;
  // Already listed (the list closed with this choice and refilled then).
  if (!m_entries.Empty() && m_filter.GetCurSel() == m_entries.FilterIndex()) return;
  CBusyScope busy(m_bBusy);
  FillTree();
}

void CSorvResDlg::OnFilterCloseUp() {
  // The closed list and the choice in the box are drawn before the refill holds the window.
  ::RedrawWindow(m_filter.GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (!m_entries.Empty() && m_filter.GetCurSel() != m_entries.FilterIndex()) OnFilterChanged();
}

bool CSorvResDlg::InsertListed(uint32_t index) {
  // The folder view inserts its items when their folders are opened.
  if (m_folderView) return true;
  // The tree keeps its own copy of the text: asked for when shown instead (a text
  // callback), opening a folder of 20,000 files took twice as long under Wine.
  const HTREEITEM inserted =
      m_tree.InsertRootItem(sorv::app::DisplayName(m_entries.Entry(index).pszName).c_str(), EntryData(index));
  if (!inserted) return false;
  if (index == m_reselect) m_reselectItem = inserted;
  m_listedItems.push_back(inserted);
  return true;
}


LRESULT CSorvResDlg::OnTreeSelChanged(const NMTREEVIEWW* notification) {
  if (notification->action != TVC_UNKNOWN && notification->itemNew.hItem) {
    if (IsFolderData(notification->itemNew.lParam))
      ShowFolder(FolderOfData(notification->itemNew.lParam));
    else
      ShowPreview(EntryOfData(notification->itemNew.lParam));
  }
  return 0;
}

void CSorvResDlg::ShowPreview(RESITEM* item) {
  m_shownItem = item;
  if (!item) {
    m_editName.SetWindowText(L"");
    m_preview.ClearImage();
    return;
  }
  m_editName.SetWindowText(item->pEntry ? item->pEntry->pszName : L"");
  m_preview.SetImageStream(m_resFile.CreateStream(item->pEntry));
}

void CSorvResDlg::PumpMessages() {
  // During a load, refill or export the work decides what may run.
  if (CWorkProgress* work = CWorkProgress::Active()) {
    work->PumpMessages();
    return;
  }
  // Outside long work: what the window must do now (sent and posted messages, painting).
  // Keys and clicks stay queued for the dialog's own loop, which knows the shortcuts and the
  // dialog keys; dispatched from here they would reach a control bare and be lost.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE | PM_QS_PAINT)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ::DispatchMessageW(&msg);
  }
}
