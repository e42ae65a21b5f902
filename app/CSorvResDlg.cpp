#include "app/CSorvResDlg.h"

#include <shellapi.h>

#include "app/CAboutDlg.h"
#include "app/CWorkProgress.h"
#include "app/DropListWidth.h"
#include "app/FixedPlacement.h"
#include "app/LayoutHookup.h"
#include "app/WideText.h"
#include "framework/CPaintDC.h"
#include "resources/resource.h"
#include "rules/TypeFilter.h"

CSorvResDlg::CSorvResDlg(HWND parent) : CDialog(IDD_SORVRES_DIALOG, parent), m_hIcon(nullptr) {
  m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CSorvResDlg::~CSorvResDlg() {
  // The windows go before the members that route their messages (a modeless dialog still
  // has its window here).
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

void CSorvResDlg::DoDataExchange() {
  BindControl(IDC_OPEN, m_btnOpen);
  BindControl(IDC_TREE, m_tree);
  BindControl(IDC_PREVIEW, m_preview);
  BindControl(IDC_FILTER, m_filter);
  BindControl(IDC_PATH, m_editPath);
  BindControl(IDC_NAME, m_editName);
  BindControl(IDC_EXPORT, m_btnExport);
  BindControl(IDC_SAVE, m_btnSave);
  BindControl(IDC_LINK, m_link);
}

BOOL CSorvResDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
    wchar_t about[256] = {};
    ::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256);
    if (about[0]) {
      ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  for (int i = 0; i < sorv::rules::kFilterCount; ++i)
    m_filter.AddString(sorv::app::FromU16<wchar_t>(sorv::rules::FilterText(i)).c_str());
  m_filter.SetCurSel(0);
  FitDropListToTexts(m_filter);

  m_preview.ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
  m_editPath.ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
  m_editName.ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
  m_preview.ModifyStyle(0, WS_BORDER);
  m_editPath.ModifyStyle(0, WS_BORDER);
  m_editName.ModifyStyle(0, WS_BORDER);

  static const UINT kIndicators[] = {ID_INDICATOR_TEXT, ID_INDICATOR_LINK};
  m_statusBar.Create(m_hWnd, ID_STATUS_BAR);
  m_statusBar.SetIndicators(kIndicators, 2);
  m_statusBar.SetPaneText(0, L"", true);
  m_statusBar.SetPaneText(1, L"", true);

  ::SetParent(m_link, m_statusBar);

  // Every window gets a layout node; the carried description is applied and sizes the window.
  HookUpLayout(m_layout, m_hWnd);

  ApplyFixedPlacement();
  ::DragAcceptFiles(m_hWnd, TRUE);
  InstallAccelerators();
  return TRUE;
}

void CSorvResDlg::ApplyFixedPlacement() {
  RepositionBars(m_hWnd, 0xE800, 0xE8FF);
  RECT client = {};
  GetClientRect(&client);
  RECT bar = {};
  m_statusBar.GetWindowRect(&bar);
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  const int s = bar.bottom - bar.top;
  m_statusBar.SetPaneInfo(0, ID_INDICATOR_TEXT, 0, w - sorv::app::kLinkPaneWidth);
  m_statusBar.SetPaneInfo(1, ID_INDICATOR_LINK, 0, sorv::app::kLinkPaneWidth);
  for (const sorv::app::ControlRect& r : sorv::app::FixedPlacement(w, h, s)) {
    // The link lives in the status bar, the others in the dialog.
    const HWND control = r.id == IDC_LINK ? m_link.GetHwnd() : ::GetDlgItem(m_hWnd, r.id);
    ::MoveWindow(control, r.x, r.y, r.width, r.height, TRUE);
  }
}

bool CSorvResDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == CFindDialog::Message()) {
    OnFindMessage(lParam);
    result = 0;
    return true;
  }
  switch (msg) {
    case WM_SYSCOMMAND:
      OnSysCommand(wParam, lParam, result);
      return true;
    case WM_PAINT:
      if (!OnPaintIconic()) return false;
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(m_hIcon);
      return true;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_TREE && header->code == TVN_SELCHANGEDW) {
        result = OnTreeSelChanged(reinterpret_cast<const NMTREEVIEWW*>(lParam));
        return true;
      }
      if (header->idFrom == IDC_TREE && header->code == NM_RCLICK) {
        OnTreeRightClick();
        result = TRUE;  // handled: no WM_CONTEXTMENU after it
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return true;
      }
      if (header->idFrom == IDC_TREE && header->code == TVN_ITEMEXPANDINGW) {
        OnTreeItemExpanding(reinterpret_cast<const NMTREEVIEWW*>(lParam));
        result = FALSE;  // let it open
        return true;
      }
      // One per item when the tree empties: answered here, nothing to do for it.
      if (header->idFrom == IDC_TREE && header->code == TVN_DELETEITEMW) {
        result = 0;
        return true;
      }
      break;
    }
    case WM_SIZE:
      OnSize(wParam, lParam);
      result = 0;
      return true;
    case WM_GETMINMAXINFO:
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{kMinTrackWidth, kMinTrackHeight};
      result = DefWindowProc(msg, wParam, lParam);
      return true;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      result = DefWindowProc(msg, wParam, lParam);
      return true;
    case WM_DESTROY:
      if (m_bEndProcess) EndProcessNow();
      RemoveAccelerators();
      // The tree is emptied before it goes, with its redrawing off.
      if (m_tree.GetHwnd()) ClearTree();
      return false;
  }
  return CDialog::OnMessage(msg, wParam, lParam, result);
}

bool CSorvResDlg::OnCommand(UINT code, UINT id) {
  if (id == IDC_FILTER) {
    if (code == CBN_SELCHANGE) OnFilterChanged();
    else if (code == CBN_CLOSEUP) OnFilterCloseUp();
    else return false;  // the drop-down's own notifications
    return true;
  }
  // A button's click, a shortcut and an item of the tree's menu (code 0, as a click's) are
  // one command each.
  if (code != BN_CLICKED && code != kAcceleratorCode) return false;
  switch (id) {
    case IDC_OPEN: OnOpenFile(); return true;
    case IDC_SAVE: OnSaveFile(); return true;
    case IDC_EXPORT: OnExportAll(); return true;
    case IDM_FIND: OnFind(); return true;
    case IDM_FIND_NEXT: FindAgain(true); return true;
    case IDM_FIND_PREVIOUS: FindAgain(false); return true;
    case IDM_FOLDER_VIEW: OnToggleFolderView(); return true;
    case IDM_EXPORT_FOLDER: {
      // Offered only on a folder of the folder view, which the right click selected.
      const LPARAM data = m_tree.GetItemData(m_tree.GetSelectedItem());
      if (IsFolderData(data)) OnExportFolder(FolderOfData(data));
      return true;
    }
  }
  return CDialog::OnCommand(code, id);
}

void CSorvResDlg::OnSysCommand(WPARAM command, LPARAM lParam, LRESULT& result) {
  if ((command & 0xFFF0) == SC_CLOSE && CWorkProgress::Active()) {
    // The close box during long work asks it to stop; the program goes on.
    CWorkProgress::Active()->RequestStop();
    result = 0;
  } else if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    // Not in the middle of long work: the box's own loop would hold the work up.
    if (CWorkProgress::Active()) {
      result = 0;
      return;
    }
    CAboutDlg about(m_hWnd);
    about.DoModal();
    result = 0;
  } else {
    result = DefWindowProc(WM_SYSCOMMAND, command, lParam);
  }
}

bool CSorvResDlg::OnPaintIconic() {
  if (!::IsIconic(m_hWnd)) return false;
  CPaintDC dc(m_hWnd);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);
  const int cxIcon = ::GetSystemMetrics(SM_CXICON);
  const int cyIcon = ::GetSystemMetrics(SM_CYICON);
  RECT rect = {};
  GetClientRect(&rect);
  const int x = (rect.right - rect.left - cxIcon + 1) / 2;
  const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
  ::DrawIcon(static_cast<HDC>(dc), x, y, m_hIcon);
  return true;
}

void CSorvResDlg::OnSize(WPARAM type, LPARAM size) {
  DefWindowProc(WM_SIZE, type, size);
  // The anchored relayout first; the fixed placement after it is what stays.
  if (m_layout.window) m_layout.RelayoutChildren(static_cast<int>(type));
  if (m_preview.GetHwnd()) ApplyFixedPlacement();
}
