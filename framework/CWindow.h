// A non-owning wrapper of one window. Subclassing routes the window's messages through one
// static procedure to the wrapper's virtual WindowProc; a class handles its messages in one
// OnMessage switch and passes the rest to its base, and what nobody handles goes on to the
// procedure the window had before. The chain is kept by the system's subclass list, so other
// subclassers (the layout tree) may come before or after, and leave in any order.
#pragma once
#include <windows.h>

#include <string>

class CWindow {
 public:
  CWindow() = default;
  explicit CWindow(HWND hWnd) : m_hWnd(hWnd) {}
  // A window still subclassed is handed back to its previous procedure.
  virtual ~CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  // The wrapper that routes `hWnd`'s messages, or null.
  static CWindow* FromHandle(HWND hWnd);

  HWND GetHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // Plain wrapping: no messages are routed here.
  void Attach(HWND hWnd) { m_hWnd = hWnd; }
  HWND Detach();

  // Binds the wrapper to an existing window: runs the binding step (OnBind), then routes the
  // window's messages here. Fails when the wrapper already has a window, the handle is not a
  // window, or another wrapper already routes that window.
  bool SubclassWindow(HWND hWnd);
  // Takes the wrapper out of the window's chain and detaches.
  HWND UnsubclassWindow();
  bool IsSubclassed() const { return m_bSubclassed; }

  // Thin wrappers, one call each.
  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
  }
  BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
  BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
  // swpFlags != 0 applies the change with SetWindowPos (e.g. SWP_FRAMECHANGED).
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) { return ModifyStyleWord(GWL_STYLE, remove, add, swpFlags); }
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0) {
    return ModifyStyleWord(GWL_EXSTYLE, remove, add, swpFlags);
  }
  BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
  BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
  }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  BOOL SetWindowText(LPCWSTR text) { return ::SetWindowTextW(m_hWnd, text); }
  std::wstring GetWindowText() const;

 protected:
  // The binding step: runs on the attached window before its messages are routed here.
  virtual void OnBind() {}
  // Every routed message: OnMessage first, the previous procedure for what it leaves.
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // A class's message map: handle a message, set `result` and return true, or return the
  // base class's answer.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The window's own handling: the procedure it had before it was subclassed.
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // After WM_NCDESTROY has been handled and the wrapper detached.
  virtual void OnFinalMessage(HWND) {}

  HWND m_hWnd = nullptr;

 private:
  BOOL ModifyStyleWord(int index, DWORD remove, DWORD add, UINT swpFlags);
  static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);

  bool m_bSubclassed = false;
};
