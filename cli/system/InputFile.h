// A file read front to back (pack's input).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/system/NativePath.h"
#if defined(_WIN32)
#include "platform/KernelHandle.h"
#endif

namespace rdbtool {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // A symbolic link as the last part of `path` is not followed unless `followLink`.
  bool Open(const NativePath& path, std::string& error, bool followLink = false);
  // The open file's size.
  bool Size(uint64_t& size, std::string& error) const;
  // Fills `buffer` as far as the file goes: the count read, less than `size` only at the
  // end; -1 with a reason on an error.
  int64_t Read(uint8_t* buffer, size_t size, std::string& error);
  // One read of the system: fewer bytes than `size` at the end, and wherever the system
  // gives fewer (the caller asks again); 0 at the end.
  int64_t ReadSome(uint8_t* buffer, size_t size, std::string& error);
  void Close();

 private:
#if defined(_WIN32)
  sorv::FileHandle file_;
#else
  int file_ = -1;
#endif
};

}  // namespace rdbtool
