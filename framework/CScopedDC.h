// What the scoped device contexts share: each is used as its HDC and never copied; the
// derived class says how the context is got and given back.
#pragma once
#include <windows.h>

class CScopedDC {
 public:
  CScopedDC(const CScopedDC&) = delete;
  CScopedDC& operator=(const CScopedDC&) = delete;

  operator HDC() const { return m_dc; }
  bool IsNull() const { return m_dc == nullptr; }

 protected:
  explicit CScopedDC(HDC dc) : m_dc(dc) {}
  ~CScopedDC() = default;

  HDC m_dc;
};
