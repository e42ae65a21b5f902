// The package that pack makes: written to a temporary file beside the target and moved
// over it only when complete, so a failed pack leaves no half-made package behind.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "NativePath.h"

namespace rdbtool {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create(const NativePath& path, std::string& error);
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size, std::string& error);
  // Closes the file and puts it in place of `path`.
  bool Commit(std::string& error);

 private:
  NativePath path_, temp_;
  bool committed_ = false;
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace rdbtool
