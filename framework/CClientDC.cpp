#include "CClientDC.h"

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd), m_dc(::GetDC(hWnd)) {}

CClientDC::~CClientDC() {
  if (m_dc) ::ReleaseDC(m_hWnd, m_dc);
}
