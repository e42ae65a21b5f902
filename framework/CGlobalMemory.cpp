#include "framework/CGlobalMemory.h"

#include <cstring>

bool CGlobalMemory::Allocate(UINT flags, SIZE_T size) {
  Free();
  m_hGlobal = ::GlobalAlloc(flags, size);
  return m_hGlobal != nullptr;
}

void CGlobalMemory::Free() {
  if (m_hGlobal) ::GlobalFree(m_hGlobal);
  m_hGlobal = nullptr;
}

HGLOBAL CGlobalMemory::Detach() {
  HGLOBAL hGlobal = m_hGlobal;
  m_hGlobal = nullptr;
  return hGlobal;
}

bool CGlobalMemory::Assign(const void* data, SIZE_T size) {
  // A zero-byte block still gets one byte, so that the handle is a real block.
  if (!Allocate(GMEM_MOVEABLE, size ? size : 1)) return false;
  Lock lock(m_hGlobal);
  if (!lock.Data()) {
    Free();
    return false;
  }
  if (size) std::memcpy(lock.Data(), data, size);
  return true;
}
