#include "framework/CStatusBar.h"

#include "framework/CDialog.h"

bool CStatusBar::Create(HWND parent, UINT id) {
  HWND hWnd = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                nullptr);
  return hWnd && SubclassWindow(hWnd);
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
  m_panes.clear();
  for (int i = 0; i < count; ++i) m_panes.push_back(Pane{ids[i], 0, 0});
  ApplyParts();
  return true;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  Pane& pane = m_panes.at(static_cast<size_t>(index));
  pane.id = id;
  pane.style = style;
  pane.width = width;
  ApplyParts();
}

void CStatusBar::ApplyParts() {
  if (!m_hWnd || m_panes.empty()) return;
  std::vector<int> edges;
  int right = 0;
  for (const Pane& pane : m_panes) {
    right += pane.width;
    edges.push_back(right);
  }
  SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

bool CStatusBar::SetPaneText(int index, LPCWSTR text, bool update) {
  if (index < 0 || index >= GetPaneCount()) return false;
  const BOOL ok = static_cast<BOOL>(SendMessage(SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  if (update) UpdateWindow();
  return ok != FALSE;
}

std::wstring CStatusBar::GetPaneText(int index) const {
  const LRESULT info = SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(index));
  std::wstring text(static_cast<size_t>(LOWORD(info)) + 1, L'\0');
  SendMessage(SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(LOWORD(info)));
  return text;
}

bool CStatusBar::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if ((msg == WM_NOTIFY || msg == WM_COMMAND) && ReflectToControl(msg, wParam, lParam, result)) return true;
  return CWindow::OnMessage(msg, wParam, lParam, result);
}

void RepositionBars(HWND parent, UINT first, UINT last) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
    if (id >= first && id <= last) ::SendMessageW(child, WM_SIZE, 0, 0);
  }
}
