// Owners of a kernel handle and of a mapped view: closed (unmapped) at the end of their
// scope or on Reset, so every way out of a function gives them back once.
#pragma once
#include <windows.h>

// A handle closed with CloseHandle. The creating calls disagree on what failure returns
// (CreateFileW: INVALID_HANDLE_VALUE, CreateFileMappingW: null); `Traits::Invalid()` is the
// owner's empty value and both are treated as empty.
template <class Traits>
class CHandleT {
 public:
  CHandleT() = default;
  explicit CHandleT(HANDLE handle) : m_handle(handle) {}
  ~CHandleT() { Reset(); }
  CHandleT(const CHandleT&) = delete;
  CHandleT& operator=(const CHandleT&) = delete;

  HANDLE Get() const { return m_handle; }
  operator HANDLE() const { return m_handle; }
  bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle = Traits::Invalid()) {
    if (IsValid()) ::CloseHandle(m_handle);
    m_handle = handle;
  }
  HANDLE Detach() {
    const HANDLE handle = m_handle;
    m_handle = Traits::Invalid();
    return handle;
  }

 private:
  HANDLE m_handle = Traits::Invalid();
};

struct CFileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
struct CKernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
};
// A file: empty is INVALID_HANDLE_VALUE.
using CFileHandle = CHandleT<CFileHandleTraits>;
// Any other kernel object (a file mapping, an event): empty is null.
using CHandle = CHandleT<CKernelHandleTraits>;

// A view from MapViewOfFile, unmapped with UnmapViewOfFile.
class CMappedView {
 public:
  CMappedView() = default;
  ~CMappedView() { Reset(); }
  CMappedView(const CMappedView&) = delete;
  CMappedView& operator=(const CMappedView&) = delete;

  const BYTE* Get() const { return m_view; }
  bool IsNull() const { return m_view == nullptr; }
  void Reset(const void* view = nullptr) {
    if (m_view) ::UnmapViewOfFile(m_view);
    m_view = static_cast<const BYTE*>(view);
  }

 private:
  const BYTE* m_view = nullptr;
};
