// A global memory block (GlobalAlloc) freed at the end of its scope unless handed on with
// Detach, e.g. to CreateStreamOnHGlobal with delete-on-release.
#pragma once
#include <windows.h>

#include <cstddef>

class CGlobalMemory {
 public:
  CGlobalMemory() = default;
  CGlobalMemory(UINT flags, SIZE_T size) : m_hGlobal(::GlobalAlloc(flags, size)) {}
  ~CGlobalMemory() { Free(); }
  CGlobalMemory(const CGlobalMemory&) = delete;
  CGlobalMemory& operator=(const CGlobalMemory&) = delete;

  bool Allocate(UINT flags, SIZE_T size);
  void Free();
  HGLOBAL Get() const { return m_hGlobal; }
  HGLOBAL Detach();
  bool IsNull() const { return m_hGlobal == nullptr; }
  SIZE_T Size() const { return m_hGlobal ? ::GlobalSize(m_hGlobal) : 0; }
  // Copies `size` bytes into a fresh movable block.
  bool Assign(const void* data, SIZE_T size);

  // GlobalLock/GlobalUnlock for one scope.
  class Lock {
   public:
    explicit Lock(HGLOBAL hGlobal) : m_hGlobal(hGlobal), m_data(hGlobal ? ::GlobalLock(hGlobal) : nullptr) {}
    ~Lock() {
      if (m_data) ::GlobalUnlock(m_hGlobal);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void* Data() const { return m_data; }

   private:
    HGLOBAL m_hGlobal;
    void* m_data;
  };

 private:
  HGLOBAL m_hGlobal = nullptr;
};
