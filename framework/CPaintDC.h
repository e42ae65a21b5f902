// BeginPaint/EndPaint for one WM_PAINT.
#pragma once
#include <windows.h>

class CPaintDC {
 public:
  explicit CPaintDC(HWND hWnd);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  operator HDC() const { return m_dc; }
  const PAINTSTRUCT& Paint() const { return m_ps; }

 private:
  HWND m_hWnd;
  PAINTSTRUCT m_ps;
  HDC m_dc;
};
