#include "CPaintDC.h"

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_ps(), m_dc(::BeginPaint(hWnd, &m_ps)) {}

CPaintDC::~CPaintDC() {
  if (m_dc) ::EndPaint(m_hWnd, &m_ps);
}
