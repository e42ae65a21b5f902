// BeginPaint/EndPaint for one WM_PAINT.
#pragma once
#include "framework/CScopedDC.h"

class CPaintDC : public CScopedDC {
 public:
  explicit CPaintDC(HWND hWnd) : CScopedDC(nullptr), m_hWnd(hWnd), m_ps() { m_dc = ::BeginPaint(hWnd, &m_ps); }
  ~CPaintDC() {
    if (m_dc) ::EndPaint(m_hWnd, &m_ps);
  }

  const PAINTSTRUCT& Paint() const { return m_ps; }

 private:
  HWND m_hWnd;
  PAINTSTRUCT m_ps;
};
