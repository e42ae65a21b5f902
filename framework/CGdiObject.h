// A GDI object (pen, brush, font, bitmap, region, palette) in an owning or a borrowing
// flavour: the owning one deletes its handle when it goes, the borrowing one never does.
#pragma once
#include <windows.h>

template <class T, bool Owned = true>
class CGdiObject {
 public:
  CGdiObject() = default;
  explicit CGdiObject(T handle) : m_handle(handle) {}
  ~CGdiObject() { Reset(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  CGdiObject(CGdiObject&& other) noexcept : m_handle(other.Detach()) {}
  CGdiObject& operator=(CGdiObject&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }

  operator T() const { return m_handle; }
  T Get() const { return m_handle; }
  bool IsNull() const { return m_handle == nullptr; }

  // Takes the handle, releasing (when owning) the one held before.
  void Attach(T handle) {
    Reset();
    m_handle = handle;
  }
  T Detach() {
    T handle = m_handle;
    m_handle = nullptr;
    return handle;
  }
  void Reset() {
    if (Owned && m_handle) ::DeleteObject(m_handle);
    m_handle = nullptr;
  }

 private:
  T m_handle = nullptr;
};

using CPen = CGdiObject<HPEN>;
using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;
using CRgn = CGdiObject<HRGN>;
using CPenHandle = CGdiObject<HPEN, false>;
using CBrushHandle = CGdiObject<HBRUSH, false>;
using CFontHandle = CGdiObject<HFONT, false>;
using CBitmapHandle = CGdiObject<HBITMAP, false>;
