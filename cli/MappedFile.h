// A whole file mapped read-only. An empty file gives an empty view.
#pragma once
#include <cstdint>
#include <string>

#include "cli/NativePath.h"

namespace rdbtool {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Close(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False with the system's reason when the file cannot be opened or mapped.
  bool Open(const NativePath& path, std::string& error);
  void Close();
  // Tells the system that the view will be read front to back.
  void AdviseSequential();
  // Lets go of the pages of the view read so far (the system keeps them in its cache): a
  // walk over a large package then does not hold all of it in this process's memory. The
  // view stays readable.
  void ReleasePages();

  const uint8_t* Data() const { return data_; }
  uint64_t Size() const { return size_; }

  friend class OutputFile;  // copies from the open file (OutputFile::CopyFrom)

 private:
  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
#if defined(_WIN32)
  void* mapping_ = nullptr;
#else
  int fd_ = -1;  // kept open for copies inside the system
#endif
};

}  // namespace rdbtool
