// GetDC/ReleaseDC for one scope: the client area of a window, or the screen for null.
#pragma once
#include "framework/CScopedDC.h"

class CClientDC : public CScopedDC {
 public:
  explicit CClientDC(HWND hWnd) : CScopedDC(::GetDC(hWnd)), m_hWnd(hWnd) {}
  ~CClientDC() {
    if (m_dc) ::ReleaseDC(m_hWnd, m_dc);
  }

 private:
  HWND m_hWnd;
};
