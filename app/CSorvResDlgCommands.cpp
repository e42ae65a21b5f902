// The main window's helpers for a user's hands: keyboard shortcuts, the tree's context
// menu, stopping long work, the program's quick end, and the folders the dialogs start in
// during this run. The commands themselves are routed in CSorvResDlg.cpp (OnCommand).
#include <windows.h>
#include <commctrl.h>

#include "app/CSorvResDlg.h"
#include "app/CWorkProgress.h"
#include "framework/CMenu.h"
#include "resources/resource.h"

namespace {

// The folder part of a file's path, without the last "\".
std::wstring FolderOf(const std::wstring& path) {
  const size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

}  // namespace

void CSorvResDlg::OnCancel() {
  // Esc or the close box while an export runs: it stops after the current entry.
  if (CWorkProgress* work = CWorkProgress::Active()) {
    work->RequestStop();
    return;
  }
  CDialog::OnCancel();
}

void CSorvResDlg::EndProcessNow() {
  // Nothing on screen waits for the tree's items to be freed one by one, nor holds the
  // package meanwhile: the system takes the rest back with the process.
  ShowWindow(SW_HIDE);
  m_resFile.Close();
  ::ExitProcess(0);
}

void CSorvResDlg::RememberPackageFolder(const std::wstring& packagePath) {
  const std::wstring folder = FolderOf(packagePath);
  if (!folder.empty()) m_lastPackageFolder = folder;
}

void CSorvResDlg::RememberSaveFolder(const std::wstring& savedPath) {
  const std::wstring folder = FolderOf(savedPath);
  if (!folder.empty()) m_lastSaveFolder = folder;
}

void CSorvResDlg::InstallAccelerators() {
  m_hAccel = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_SHORTCUTS));
  if (m_hAccel && !m_hMsgFilter)
    m_hMsgFilter = ::SetWindowsHookExW(WH_MSGFILTER, &CSorvResDlg::MsgFilterProc, nullptr, ::GetCurrentThreadId());
}

void CSorvResDlg::RemoveAccelerators() {
  if (m_hMsgFilter) ::UnhookWindowsHookEx(m_hMsgFilter);
  m_hMsgFilter = nullptr;
  // Loaded from the resources: nothing to free.
  m_hAccel = nullptr;
}

// The dialog's message loop hands each message here before the dialog manager sees it.
LRESULT CALLBACK CSorvResDlg::MsgFilterProc(int code, WPARAM wParam, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && msg && msg->hwnd && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN)) {
    const HWND top = ::GetAncestor(msg->hwnd, GA_ROOT);
    CSorvResDlg* dlg = dynamic_cast<CSorvResDlg*>(CWindow::FromHandle(top));
    if (dlg && dlg->m_hAccel && ::IsWindowEnabled(top) && ::TranslateAcceleratorW(top, dlg->m_hAccel, msg))
      return TRUE;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CSorvResDlg::OnTreeRightClick() {
  if (m_bBusy) return;
  const DWORD position = ::GetMessagePos();
  POINT screen = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  TVHITTESTINFO hit = {};
  hit.pt = screen;
  ::ScreenToClient(m_tree, &hit.pt);
  const HTREEITEM item = reinterpret_cast<HTREEITEM>(m_tree.SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item && (hit.flags & TVHT_ONITEM)) {
    // The item clicked becomes the selection, shown in the name box and the preview.
    m_tree.SelectItem(item);
    const LPARAM data = m_tree.GetItemData(item);
    if (IsFolderData(data))
      ShowFolder(FolderOfData(data));
    else if (EntryOfData(data) != m_shownItem)
      ShowPreview(EntryOfData(data));
  }
  // The chosen item runs as its button or shortcut does; none chosen is 0.
  if (const UINT command = TrackTreeMenu(screen, item && (hit.flags & TVHT_ONITEM) ? item : nullptr))
    OnCommand(BN_CLICKED, command);
}

UINT CSorvResDlg::TrackTreeMenu(POINT screen, HTREEITEM clicked) {
  const CMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TREE_MENU)));
  const HMENU popup = menu.SubMenu(0);
  if (!popup) return 0;
  ::EnableMenuItem(popup, IDC_SAVE, MF_BYCOMMAND | (m_tree.GetSelectedItem() ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(popup, IDC_EXPORT, MF_BYCOMMAND | (m_tree.GetCount() ? MF_ENABLED : MF_GRAYED));
  PrepareTreeMenu(popup, clicked);
  return static_cast<UINT>(
      ::TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, 0, m_hWnd, nullptr));
}
