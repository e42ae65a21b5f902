#include "tests/layout/LayoutTestWindows.h"

#include <map>
#include <utility>

#include "layout/CPositionWnd.h"
#include "tests/app/MainDialogHarness.h"

namespace layouttest {

namespace {

const wchar_t kClassName[] = L"SorvLayoutTestWindow";
const wchar_t kDarkClassName[] = L"SorvLayoutTestDarkWindow";

std::map<std::pair<HWND, UINT>, int>& Counts() {
  static std::map<std::pair<HWND, UINT>, int> counts;
  return counts;
}

LRESULT CALLBACK CountingProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++Counts()[{hWnd, msg}];
  if (msg == WM_APP) return kAppAnswer;
  if (msg == WM_NCDESTROY) {
    // Handles are reused: a later window must start from zero.
    auto& counts = Counts();
    for (auto it = counts.begin(); it != counts.end();) it = it->first.first == hWnd ? counts.erase(it) : std::next(it);
  }
  return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &CountingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    const bool plain = ::RegisterClassW(&wc) != 0;
    wc.hbrBackground = ::CreateSolidBrush(kDarkColour);
    wc.lpszClassName = kDarkClassName;
    return plain && ::RegisterClassW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

int Count(HWND hWnd, UINT msg) {
  const auto found = Counts().find({hWnd, msg});
  return found == Counts().end() ? 0 : found->second;
}

HWND MakeTopLevel(const wchar_t* title, int w, int h) {
  RegisterOnce();
  HWND hWnd = ::CreateWindowExW(0, kClassName, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, w + 100, h + 100,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (hWnd) harness::SetClientSize(hWnd, w, h);
  return hWnd;
}

HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style, DWORD exStyle) {
  RegisterOnce();
  return ::CreateWindowExW(exStyle, kClassName, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

HWND MakeDarkChild(HWND parent, int id, int x, int y, int w, int h, DWORD style) {
  RegisterOnce();
  return ::CreateWindowExW(0, kDarkClassName, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

Box BoxOf(const RECT& r) { return Box{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

Box ChildBox(HWND child) { return BoxOf(harness::ChildRect(child)); }

CPositionWnd* NodeOf(CPositionWnd& parent, HWND hWnd) {
  for (auto& child : parent.children)
    if (child->window == hWnd) return child.get();
  return nullptr;
}

}  // namespace layouttest
