// A memory device context compatible with a given one (the screen for null), deleted at the
// end of its scope.
#pragma once
#include <windows.h>

class CMemoryDC {
 public:
  explicit CMemoryDC(HDC compatibleWith = nullptr);
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  operator HDC() const { return m_dc; }
  bool IsNull() const { return m_dc == nullptr; }

 private:
  HDC m_dc;
};
