// A memory device context compatible with a given one (the screen for null), deleted at the
// end of its scope.
#pragma once
#include "framework/CScopedDC.h"

class CMemoryDC : public CScopedDC {
 public:
  explicit CMemoryDC(HDC compatibleWith = nullptr) : CScopedDC(::CreateCompatibleDC(compatibleWith)) {}
  ~CMemoryDC() {
    if (m_dc) ::DeleteDC(m_dc);
  }
};
