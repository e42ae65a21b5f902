#include "framework/CWindow.h"

#include <commctrl.h>

#include <vector>

namespace {
const UINT_PTR kSubclassId = 0x536F7256;
// Marks a window that a wrapper routes: a second wrapper on it is refused.
const wchar_t kBoundProp[] = L"SorvRes.CWindow";
}  // namespace

CWindow::~CWindow() {
  if (m_bSubclassed) UnsubclassWindow();
}

CWindow* CWindow::FromHandle(HWND hWnd) {
  return hWnd ? static_cast<CWindow*>(::GetPropW(hWnd, kBoundProp)) : nullptr;
}

HWND CWindow::Detach() {
  if (m_bSubclassed) return UnsubclassWindow();
  HWND hWnd = m_hWnd;
  m_hWnd = nullptr;
  return hWnd;
}

bool CWindow::SubclassWindow(HWND hWnd) {
  if (m_hWnd || !::IsWindow(hWnd) || ::GetPropW(hWnd, kBoundProp)) return false;
  m_hWnd = hWnd;
  OnBind();
  if (!::SetPropW(hWnd, kBoundProp, reinterpret_cast<HANDLE>(this)) ||
      !::SetWindowSubclass(hWnd, &CWindow::StaticWindowProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    ::RemovePropW(hWnd, kBoundProp);
    m_hWnd = nullptr;
    return false;
  }
  m_bSubclassed = true;
  return true;
}

HWND CWindow::UnsubclassWindow() {
  HWND hWnd = m_hWnd;
  if (m_bSubclassed) {
    ::RemoveWindowSubclass(hWnd, &CWindow::StaticWindowProc, kSubclassId);
    ::RemovePropW(hWnd, kBoundProp);
  }
  m_bSubclassed = false;
  m_hWnd = nullptr;
  return hWnd;
}

std::wstring CWindow::GetWindowText() const {
  const int length = ::GetWindowTextLengthW(m_hWnd);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
  return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

BOOL CWindow::ModifyStyleWord(int index, DWORD remove, DWORD add, UINT swpFlags) {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, index));
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, index, static_cast<LONG_PTR>(changed));
  if (swpFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
  return TRUE;
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnMessage(msg, wParam, lParam, result)) return result;
  return DefWindowProc(msg, wParam, lParam);
}

bool CWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWindow::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_bSubclassed) return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
  CWindow* self = reinterpret_cast<CWindow*>(data);
  if (!self || self->m_hWnd != hWnd) return ::DefSubclassProc(hWnd, msg, wParam, lParam);
  LRESULT result = 0;
  // Exceptions must not unwind through user32: the window's own handling answers instead.
  try {
    result = self->WindowProc(msg, wParam, lParam);
  } catch (...) {
    result = ::DefSubclassProc(hWnd, msg, wParam, lParam);
  }
  if (msg == WM_NCDESTROY && self->m_bSubclassed && self->m_hWnd == hWnd) {
    self->UnsubclassWindow();
    self->OnFinalMessage(hWnd);
  }
  return result;
}
