#include "CMemoryDC.h"

CMemoryDC::CMemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}

CMemoryDC::~CMemoryDC() {
  if (m_dc) ::DeleteDC(m_dc);
}
