// Owners of a kernel handle and of a mapped view on Windows: closed (unmapped) at the end of
// their scope or on Reset, so every way out of a function gives them back once. They need no
// window: the package reader and rdbtool's Windows files both hold their files with them.
#pragma once
#include <windows.h>

namespace sorv {

// A handle closed with CloseHandle. The creating calls disagree on what failure returns
// (CreateFileW: INVALID_HANDLE_VALUE, CreateFileMappingW: null); `Traits::Invalid()` is the
// owner's empty value and both are treated as empty.
template <class Traits>
class HandleOwner {
 public:
  HandleOwner() = default;
  explicit HandleOwner(HANDLE handle) : handle_(handle) {}
  ~HandleOwner() { Reset(); }
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;

  HANDLE Get() const { return handle_; }
  operator HANDLE() const { return handle_; }
  bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle = Traits::Invalid()) {
    if (IsValid()) ::CloseHandle(handle_);
    handle_ = handle;
  }
  // Closes the handle now and says whether the system took the close: the last writes to a
  // file may fail only here.
  bool Close() {
    const bool closed = !IsValid() || ::CloseHandle(handle_);
    handle_ = Traits::Invalid();
    return closed;
  }
  HANDLE Detach() {
    const HANDLE handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }

 private:
  HANDLE handle_ = Traits::Invalid();
};

struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
};
// A file: empty is INVALID_HANDLE_VALUE.
using FileHandle = HandleOwner<FileHandleTraits>;
// Any other kernel object (a file mapping, an event): empty is null.
using KernelHandle = HandleOwner<KernelHandleTraits>;

// A search from FindFirstFileW, ended with FindClose.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE find) : find_(find) {}
  ~FindHandle() {
    if (IsValid()) ::FindClose(find_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  operator HANDLE() const { return find_; }
  bool IsValid() const { return find_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE find_ = INVALID_HANDLE_VALUE;
};

// A view from MapViewOfFile, unmapped with UnmapViewOfFile.
class MappedView {
 public:
  MappedView() = default;
  ~MappedView() { Reset(); }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  const BYTE* Get() const { return view_; }
  bool IsNull() const { return view_ == nullptr; }
  void Reset(const void* view = nullptr) {
    if (view_) ::UnmapViewOfFile(view_);
    view_ = static_cast<const BYTE*>(view);
  }

 private:
  const BYTE* view_ = nullptr;
};

}  // namespace sorv
