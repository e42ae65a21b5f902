// GetDC/ReleaseDC for one scope: the client area of a window, or the screen for null.
#pragma once
#include <windows.h>

class CClientDC {
 public:
  explicit CClientDC(HWND hWnd);
  ~CClientDC();
  CClientDC(const CClientDC&) = delete;
  CClientDC& operator=(const CClientDC&) = delete;

  operator HDC() const { return m_dc; }

 private:
  HWND m_hWnd;
  HDC m_dc;
};
