// An owning COM interface pointer: Release at the end of its scope.
#pragma once
#include <unknwn.h>

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  // Takes over a reference the caller already owns.
  explicit CComPtr(T* p) : m_p(p) {}
  ~CComPtr() { Release(); }
  CComPtr(const CComPtr& other) : m_p(other.m_p) {
    if (m_p) m_p->AddRef();
  }
  CComPtr& operator=(const CComPtr& other) {
    if (other.m_p) other.m_p->AddRef();
    Release();
    m_p = other.m_p;
    return *this;
  }
  CComPtr(CComPtr&& other) noexcept : m_p(other.Detach()) {}
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }

  T* Get() const { return m_p; }
  operator T*() const { return m_p; }
  T* operator->() const { return m_p; }
  // For out parameters: drops the pointer held before.
  T** operator&() {
    Release();
    return &m_p;
  }
  void Attach(T* p) {
    Release();
    m_p = p;
  }
  T* Detach() {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }
  void Release() {
    if (m_p) {
      T* p = m_p;
      m_p = nullptr;
      p->Release();
    }
  }

 private:
  T* m_p = nullptr;
};
