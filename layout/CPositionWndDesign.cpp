// Layout design mode: Control + right click switches a window into it; the window is veiled
// and framed, and its layout is edited with the mouse (move and resize handles, edge lock
// boxes) and a context menu. Every change goes at once into the node's geometry and locks.
#include <algorithm>

#include "framework/CGdiObject.h"
#include "framework/CMemoryDC.h"
#include "framework/CMenu.h"
#include "framework/CPaintDC.h"
#include "framework/CSelectObject.h"
#include "layout/CDesignCursors.h"
#include "layout/CPositionWnd.h"

namespace {

const COLORREF kFrameColour = RGB(255, 128, 0);
const int kGrid = 4;
const int kDockReach = 10;
const int kLeastSize = 10;

enum DesignCommand : UINT { kSelectParent = 1, kToggleChildren = 2, kStickyDock = 3, kSnapToGrid = 4 };

bool Contains(const RECT& box, int x, int y) { return box.left <= x && x < box.right && box.top <= y && y < box.bottom; }

// Toward zero, so that 13 becomes 12 and -5 becomes -4.
int Snap(int value) { return value - value % kGrid; }

void RedrawNow(HWND hWnd) { ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

void UseSystemPointer(LPCWSTR id) { ::SetCursor(::LoadCursorW(nullptr, id)); }

void SetShape(CDesignCursors::Shape shape) {
  const HCURSOR cursor = CDesignCursors::Get(shape);
  if (cursor)
    ::SetCursor(cursor);
  else
    UseSystemPointer(IDC_ARROW);  // a shape that could not be made must not hide the pointer
}

// Every other pixel, in a one-pixel checkerboard, turns white; the rest keep the window's
// colour. Skipped when a drawing object cannot be made.
void PaintVeil(HDC dc, int cw, int ch) {
  static const WORD kPattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  CBitmap patternBits(::CreateBitmap(8, 8, 1, 1, kPattern));
  if (patternBits.IsNull()) return;
  CBrush pattern(::CreatePatternBrush(patternBits));
  CMemoryDC mem(dc);
  CBitmap veil(::CreateCompatibleBitmap(dc, cw, ch));
  if (pattern.IsNull() || mem.IsNull() || veil.IsNull()) return;
  CSelectObject selectVeil(mem, veil);
  CSelectObject selectPattern(mem, pattern);
  if (!selectVeil.Selected() || !selectPattern.Selected()) return;
  // A fresh memory context draws 0 bits black and 1 bits white; OR-ing black changes nothing.
  ::PatBlt(mem, 0, 0, cw, ch, PATCOPY);
  ::BitBlt(dc, 0, 0, cw, ch, mem, 0, 0, SRCPAINT);
}

}  // namespace

bool CPositionWnd::OnDesignRButtonDown(WPARAM keys, int x, int y) {
  // Every press starts a new click: a release that never came must not swallow this one's.
  switchReleasePending = (keys & MK_CONTROL) ? 1 : 0;
  if (keys & MK_CONTROL) {
    if (!designMode)
      EnterDesignMode(x == 0 && y == 0 ? 1 : 0);
    else
      LeaveDesignMode();
    return true;
  }
  // The window still gets the press after the menu, in design mode or not.
  if (designMode) ShowDesignMenu();
  return false;
}

bool CPositionWnd::OnDesignRButtonUp() {
  if (!switchReleasePending) return false;
  switchReleasePending = 0;
  return true;
}

void CPositionWnd::EnterDesignMode(int hideChildren) {
  if (!window) return;
  ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (hideChildren) {
    for (auto& child : children)
      if (child->window) ::ShowWindow(child->window, SW_HIDE);
    childrenHidden = 1;
  }
  designMode = 1;
  // Painting the overlay places the hit boxes.
  RedrawNow(window);
}

void CPositionWnd::LeaveDesignMode() {
  if (!window) return;
  EndDrag();
  UseSystemPointer(IDC_ARROW);
  // childrenHidden stays: the menu offers "Show Children" next time.
  for (auto& child : children)
    if (child->window) ::ShowWindow(child->window, SW_SHOW);
  designMode = 0;
  RedrawNow(window);
}

void CPositionWnd::PaintOverlay() {
  if (!window) return;
  // The window's own painting has validated what it drew: the overlay covers everything.
  ::InvalidateRect(window, nullptr, FALSE);
  CPaintDC dc(window);
  if (!dc) return;
  RECT client = {};
  ::GetClientRect(window, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  // A class that paints with its parent's context must not get the overlay on the parent.
  ::IntersectClipRect(dc, 0, 0, cw, ch);

  PaintVeil(dc, cw, ch);

  CPen pen(::CreatePen(PS_SOLID, 1, kFrameColour));
  CSelectObject selectPen(dc, pen);
  CSelectObject selectFill(dc, ::GetStockObject(WHITE_BRUSH));
  ::MoveToEx(dc, 0, 0, nullptr);
  ::LineTo(dc, cw - 1, 0);
  ::LineTo(dc, cw - 1, ch - 1);
  ::LineTo(dc, 0, ch - 1);
  ::LineTo(dc, 0, 0);

  const struct {
    RECT* field;
    RECT box;
    std::int32_t cross;
  } boxes[] = {
      {&moveBox, {0, 0, 10, 10}, 0},
      {&topLockBox, {9, 0, 20, 10}, topLock},
      {&leftLockBox, {0, 9, 10, 20}, leftLock},
      {&bottomLockBox, {cw - 20, ch - 10, cw - 9, ch}, bottomLock},
      {&rightLockBox, {cw - 10, ch - 20, cw, ch - 9}, rightLock},
      {&resizeBox, {cw - 10, ch - 10, cw, ch}, 0},
  };
  for (const auto& b : boxes) {
    *b.field = b.box;
    ::Rectangle(dc, b.box.left, b.box.top, b.box.right, b.box.bottom);
    if (!b.cross) continue;
    ::MoveToEx(dc, b.box.left, b.box.top, nullptr);
    ::LineTo(dc, b.box.right, b.box.bottom);
    ::MoveToEx(dc, b.box.right, b.box.top, nullptr);
    ::LineTo(dc, b.box.left, b.box.bottom);
  }
}

CPositionWnd::DesignHit CPositionWnd::HitTest(int x, int y) const {
  if (Contains(moveBox, x, y)) return DesignHit::kMove;
  if (Contains(resizeBox, x, y)) return DesignHit::kResize;
  if (Contains(topLockBox, x, y)) return DesignHit::kTopLock;
  if (Contains(leftLockBox, x, y)) return DesignHit::kLeftLock;
  if (Contains(bottomLockBox, x, y)) return DesignHit::kBottomLock;
  if (Contains(rightLockBox, x, y)) return DesignHit::kRightLock;
  return DesignHit::kNone;
}

void CPositionWnd::SetDesignCursor(int x, int y) {
  switch (HitTest(x, y)) {
    case DesignHit::kMove:
      UseSystemPointer(IDC_SIZEALL);
      break;
    case DesignHit::kResize:
      UseSystemPointer(IDC_SIZENWSE);
      break;
    case DesignHit::kTopLock:
      SetShape(topLock ? CDesignCursors::kTopLocked : CDesignCursors::kTopUnlocked);
      break;
    case DesignHit::kLeftLock:
      SetShape(leftLock ? CDesignCursors::kLeftLocked : CDesignCursors::kLeftUnlocked);
      break;
    case DesignHit::kBottomLock:
      SetShape(bottomLock ? CDesignCursors::kBottomLocked : CDesignCursors::kBottomUnlocked);
      break;
    case DesignHit::kRightLock:
      SetShape(rightLock ? CDesignCursors::kRightLocked : CDesignCursors::kRightUnlocked);
      break;
    case DesignHit::kNone:
      UseSystemPointer(IDC_ARROW);
      break;
  }
}

void CPositionWnd::EndDrag() {
  // Only our own capture: another window's drag is not ours to end.
  if (window && ::GetCapture() == window) ::ReleaseCapture();
  moving = 0;
  resizing = 0;
}

void CPositionWnd::OnDesignLButtonDown(int x, int y) {
  if (!window) return;
  ::GetClientRect(window, &pressClientRect);
  RECT outer = {};
  ::GetWindowRect(window, &outer);
  pressWindowSize = SIZE{outer.right - outer.left, outer.bottom - outer.top};
  pressPoint = POINT{x, y};
  // A toggled lock stores right and bottom again in the form it now asks for.
  const auto toggle = [this](std::int32_t& lock) {
    lock = lock ? 0 : 1;
    RecordGeometry();
  };
  switch (HitTest(x, y)) {
    case DesignHit::kMove:
      moving = 1;
      UseSystemPointer(IDC_SIZEALL);
      ::SetCapture(window);
      break;
    case DesignHit::kResize:
      resizing = 1;
      UseSystemPointer(IDC_SIZENWSE);
      ::SetCapture(window);
      break;
    case DesignHit::kTopLock:
      toggle(topLock);
      break;
    case DesignHit::kLeftLock:
      toggle(leftLock);
      break;
    case DesignHit::kBottomLock:
      toggle(bottomLock);
      break;
    case DesignHit::kRightLock:
      toggle(rightLock);
      break;
    case DesignHit::kNone:
      break;
  }
  // A toggled cross shows at once.
  RedrawNow(window);
  SetDesignCursor(x, y);
}

void CPositionWnd::OnDesignLButtonUp(int x, int y) {
  if (!window) return;
  EndDrag();
  UseSystemPointer(IDC_ARROW);
  SetDesignCursor(x, y);
}

void CPositionWnd::OnDesignMouseMove(int x, int y) {
  if (!window) return;
  // A drag whose capture was taken away (another window took the mouse) has ended: the
  // button-up went elsewhere and the window must not follow a pointer whose button is up.
  if ((moving || resizing) && ::GetCapture() != window) EndDrag();
  if (moving)
    DragMove(x, y);
  else if (resizing)
    DragResize(x, y);
  else
    SetDesignCursor(x, y);
}

void CPositionWnd::DragMove(int x, int y) {
  // In the parent's client coordinates, or on the screen for a top-level window.
  POINT at = {x, y};
  ::MapWindowPoints(window, LayoutParent(), &at, 1);
  // The grabbed point stays under the pointer: the outer corner sits the client area's
  // offset inside the frame above and left of where the client origin goes.
  RECT outer = {};
  ::GetWindowRect(window, &outer);
  POINT origin = {0, 0};
  ::ClientToScreen(window, &origin);
  int nx = at.x - pressPoint.x - (origin.x - outer.left);
  int ny = at.y - pressPoint.y - (origin.y - outer.top);
  if (snapToGrid) {
    nx = Snap(nx);
    ny = Snap(ny);
  }
  if (stickyDock) DockToSiblings(nx, ny);
  ::SetWindowPos(window, nullptr, nx, ny, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RecordGeometry();
  RedrawNow(window);
}

void CPositionWnd::DragResize(int x, int y) {
  // The outer size at the press plus the pointer's travel: the grabbed corner follows the
  // pointer from where it was, a frame or scroll bar does not make the window jump.
  int nw = pressWindowSize.cx + (x - pressPoint.x);
  int nh = pressWindowSize.cy + (y - pressPoint.y);
  nw = std::max(nw, kLeastSize);
  nh = std::max(nh, kLeastSize);
  if (snapToGrid) {
    nw = Snap(nw);
    nh = Snap(nh);
  }
  // A container's own LayoutWndProc re-places its children on the size change.
  ::SetWindowPos(window, nullptr, 0, 0, nw, nh, SWP_NOMOVE | SWP_NOZORDER);
  RecordGeometry();
  RedrawNow(window);
}

void CPositionWnd::DockToSiblings(int& nx, int& ny) {
  if (!window) return;
  // A top-level window has no siblings in the layout; the desktop's other windows (hidden
  // ones included) are not edges to dock to.
  const HWND parent = LayoutParent();
  if (!parent) return;
  RECT client = {};
  ::GetClientRect(window, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  const int re = nx + cw;
  const int be = ny + ch;
  for (HWND sibling = ::GetWindow(window, GW_HWNDFIRST); sibling; sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling == window) continue;
    RECT s = {};
    ::GetClientRect(sibling, &s);
    ::MapWindowPoints(sibling, parent, reinterpret_cast<POINT*>(&s), 2);
    if (s.right <= nx && nx <= s.right + kDockReach && s.top <= ny && ny <= s.bottom)
      nx = s.right;
    else if (s.left - kDockReach <= re && re <= s.left && s.top <= be && be <= s.bottom)
      nx = s.left - cw;
    if (s.bottom <= ny && ny <= s.bottom + kDockReach && s.left <= nx && nx <= s.right)
      ny = s.bottom;
    else if (s.top - kDockReach <= be && be <= s.top && s.left <= re && re <= s.right)
      ny = s.top - ch;
  }
}

void CPositionWnd::ShowDesignMenu() {
  if (!window) return;
  POINT at = {};
  ::GetCursorPos(&at);
  const CMenu menu(::CreatePopupMenu());
  if (menu.IsNull()) return;
  ::AppendMenuW(menu, MF_STRING, kSelectParent, L"Select Parent");
  ::AppendMenuW(menu, MF_STRING, kToggleChildren, childrenHidden ? L"Show Children" : L"Hide Children");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING | (stickyDock ? MF_CHECKED : MF_UNCHECKED), kStickyDock, L"Sticky Dock");
  ::AppendMenuW(menu, MF_STRING | (snapToGrid ? MF_CHECKED : MF_UNCHECKED), kSnapToGrid, L"Snap-To Grid");
  const UINT command = static_cast<UINT>(
      ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, window, nullptr));
  // The window may have gone while the menu was open.
  if (!window) return;
  switch (command) {
    case kSelectParent:
      // The parent's own design switch: it enters with its children hidden, or leaves.
      if (const HWND parent = LayoutParent()) ::SendMessageW(parent, WM_RBUTTONDOWN, MK_CONTROL, 0);
      break;
    case kToggleChildren:
      childrenHidden = childrenHidden ? 0 : 1;
      for (auto& child : children)
        if (child->window) ::ShowWindow(child->window, childrenHidden ? SW_HIDE : SW_SHOW);
      break;
    case kStickyDock:
      stickyDock = stickyDock ? 0 : 1;
      break;
    case kSnapToGrid:
      snapToGrid = snapToGrid ? 0 : 1;
      break;
    default:  // dismissed
      break;
  }
}
