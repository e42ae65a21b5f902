#include "layout/CPositionWnd.h"

#include <windowsx.h>

#include <map>

#include "layout/CDesignCursors.h"
#include "layout/CPositionWndXMLConfigParser.h"
#include "platform/CodePage.h"

namespace {

// The process-wide window registry: for each window routed through LayoutWndProc, its node
// and the procedure the window had before. The procedure stays here when the node goes, so
// a window that outlives its node still gets its messages handled.
struct Route {
  CPositionWnd* node;
  WNDPROC prev;
};

std::map<HWND, Route>& Registry() {
  static std::map<HWND, Route> registry;
  return registry;
}

// Top-level windows have no parent in layout terms, even when they have an owner.
HWND ParentOf(HWND hWnd) {
  if (!(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) return nullptr;
  return ::GetParent(hWnd);
}

}  // namespace

CPositionWnd::CPositionWnd() { CDesignCursors::Create(); }

HWND CPositionWnd::LayoutParent() const { return window ? ParentOf(window) : nullptr; }

CPositionWnd::~CPositionWnd() {
  for (auto& child : children) child.reset();
  children.clear();
  if (!window) return;
  auto& registry = Registry();
  const auto found = registry.find(window);
  if (found != registry.end() && found->second.node == this) found->second.node = nullptr;
}

CPositionWnd* CPositionWnd::FromHandle(HWND hWnd) {
  auto& registry = Registry();
  const auto found = registry.find(hWnd);
  return found == registry.end() ? nullptr : found->second.node;
}

void CPositionWnd::Attach(HWND hWnd, int recursive) {
  if (!::IsWindow(hWnd)) return;
  window = hWnd;
  auto& registry = Registry();
  const auto found = registry.find(hWnd);
  if (found != registry.end()) {
    // Already routed through LayoutWndProc: this node takes the entry over. Installing the
    // procedure again would make it its own previous procedure and call itself forever.
    found->second.node = this;
    prevWndProc = found->second.prev;
  } else {
    prevWndProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CPositionWnd::LayoutWndProc)));
    registry[hWnd] = Route{this, prevWndProc};
  }
  RecordGeometry();
  if (!recursive) return;
  for (HWND child = ::GetWindow(hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    auto node = std::make_unique<CPositionWnd>();
    node->Attach(child, recursive);
    children.push_back(std::move(node));
  }
}

void CPositionWnd::RecordGeometry() {
  if (!window) return;
  RECT outer = {};
  RECT client = {};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  const LONG w = outer.right - outer.left;
  const LONG h = outer.bottom - outer.top;
  width = w;
  height = h;
  // A thin border (under 5 pixels across an axis) is taken as part of the window, so the
  // outer edge is recorded; a caption, scroll bar or thick frame is not, and the client
  // origin is recorded on that axis. The size is always the outer size.
  RECT g = client;
  if (w - client.right < 5) g.left -= (w - client.right) / 2;
  if (h - client.bottom < 5) g.top -= (h - client.bottom) / 2;
  g.right = g.left + w;
  g.bottom = g.top + h;
  const HWND parent = ParentOf(window);
  if (parent) ::MapWindowPoints(window, parent, reinterpret_cast<POINT*>(&g), 2);
  left = g.left;
  top = g.top;
  right = g.right;
  bottom = g.bottom;
  if (!parent) return;
  RECT p = {};
  ::GetClientRect(parent, &p);
  if (bottomLock) bottom = p.bottom - bottom;
  if (rightLock) right = p.right - right;
}

sorv::layout::LayoutValues CPositionWnd::Values() const {
  sorv::layout::LayoutValues v;
  v.left = left;
  v.top = top;
  v.right = right;
  v.bottom = bottom;
  v.width = width;
  v.height = height;
  v.topLock = topLock;
  v.leftLock = leftLock;
  v.bottomLock = bottomLock;
  v.rightLock = rightLock;
  return v;
}

void CPositionWnd::PlaceIn(const RECT& parentClient) {
  const sorv::layout::PlacedRect r = sorv::layout::PlaceByLocks(Values(), parentClient.right, parentClient.bottom);
  ::SetWindowPos(window, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER);
}

void CPositionWnd::PlaceWindow() {
  if (!window) return;
  const HWND parent = ParentOf(window);
  if (!parent) return;
  RECT p = {};
  ::GetClientRect(parent, &p);
  PlaceIn(p);
}

void CPositionWnd::RelayoutChildren(int sizeType) {
  // Minimizing, and the notices about other windows (3, 4), leave every child where it is.
  if (sizeType != SIZE_RESTORED && sizeType != SIZE_MAXIMIZED) return;
  if (!window) return;
  RECT p = {};
  ::GetClientRect(window, &p);
  // Only the direct children: each one whose size changes gets its own WM_SIZE and places
  // its own children, so a resize spreads down one level at a time.
  for (auto& child : children) {
    if (child->window) child->PlaceIn(p);
  }
}

void CPositionWnd::LoadConfig(const char* pszText) {
  CPositionWndXMLConfigParser parser;
  parser.ParseString(pszText ? pszText : "");
  ApplyConfig(parser.Root());
}

std::string CPositionWnd::LayoutKey() const {
  const int id = (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ? ::GetDlgCtrlID(window) : 0;
  if (id > 0) return std::to_string(id);
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return sorv::WideToAnsi(text);
}

void CPositionWnd::ApplyConfig(const CPositionWndConfig& parentRecord) {
  if (!window) return;
  const CPositionWndConfig* record = parentRecord.FindChild(LayoutKey());
  // No record: this node and its whole subtree keep what they have.
  if (!record) return;
  left = record->left;
  top = record->top;
  right = record->right;
  bottom = record->bottom;
  width = record->width;
  height = record->height;
  topLock = record->topLock;
  leftLock = record->leftLock;
  bottomLock = record->bottomLock;
  rightLock = record->rightLock;
  PlaceWindow();
  for (auto& child : children) child->ApplyConfig(*record);
}

LRESULT CALLBACK CPositionWnd::LayoutWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& registry = Registry();
  const auto found = registry.find(hWnd);
  if (found == registry.end()) return ::DefWindowProcW(hWnd, msg, wParam, lParam);
  const WNDPROC prev = found->second.prev;
  CPositionWnd* node = found->second.node;

  if (msg == WM_NCDESTROY) {
    const LRESULT result = ::CallWindowProcW(prev, hWnd, msg, wParam, lParam);
    // The window is gone: its node stops referring to it (the handle may be reused), and
    // its entry goes, so nothing can route to the node after this. Looked up again because
    // the previous procedure may have destroyed the node.
    const auto entry = registry.find(hWnd);
    if (entry != registry.end()) {
      if (entry->second.node) entry->second.node->window = nullptr;
      registry.erase(entry);
    }
    return result;
  }
  if (!node) return ::CallWindowProcW(prev, hWnd, msg, wParam, lParam);

  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_SIZE:
      if (!node->window) break;
      node->RelayoutChildren(static_cast<int>(wParam));
      break;
    case WM_PAINT:
      if (!node->designMode) break;
      ::CallWindowProcW(prev, hWnd, msg, wParam, lParam);
      if (FromHandle(hWnd) == node) node->PaintOverlay();
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      // In design mode the pointer drives the node; the window itself does not see it.
      if (!node->designMode) break;
      void (CPositionWnd::*const handler)(int, int) = msg == WM_MOUSEMOVE     ? &CPositionWnd::OnDesignMouseMove
                                                      : msg == WM_LBUTTONDOWN ? &CPositionWnd::OnDesignLButtonDown
                                                                              : &CPositionWnd::OnDesignLButtonUp;
      (node->*handler)(x, y);
      return 0;
    }
    case WM_RBUTTONDOWN:
      if (node->OnDesignRButtonDown(wParam, x, y)) return 0;
      break;
    case WM_RBUTTONUP:
      if (node->OnDesignRButtonUp()) return 0;
      break;
  }
  return ::CallWindowProcW(prev, hWnd, msg, wParam, lParam);
}
