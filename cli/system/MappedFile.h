// A whole file mapped read-only. An empty file gives an empty view.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/system/NativePath.h"
#if defined(_WIN32)
#include "platform/KernelHandle.h"
#endif

namespace rdbtool {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Close(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False with the system's reason when the file cannot be opened or mapped.
  bool Open(const NativePath& path, std::string& error);
  // The whole of standard input. A package's index comes before its data, so a pipe is
  // read to its end first: into a temporary file removed at once (on Windows, into
  // memory); a file given as standard input is mapped where it is. A terminal is refused.
  bool OpenStandardInput(std::string& error);
  void Close();
  // Tells the system that the view will be read front to back.
  void AdviseSequential();
  // Copies `size` bytes at `offset` (inside the view) into `buffer`. On Linux a read of
  // the open file: on the machines we measured, reading into a buffer took a third of the
  // CPU of touching the same bytes through the view. On Windows a copy from the view.
  // False on a read error.
  bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const;

  // Lets go of the view's pages in [offset, offset + size) that were read (the system
  // keeps them in its cache): a walk over a large package then does not hold all of it in
  // this process's memory. The view stays readable.
  void ReleasePages(uint64_t offset, uint64_t size);

  const uint8_t* Data() const { return data_; }
  uint64_t Size() const { return size_; }

  friend class OutputFile;  // copies from the open file (OutputFile::CopyFrom)

 private:
  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
#if defined(_WIN32)
  sorv::KernelHandle mapping_;
  sorv::MappedView view_;
  std::vector<uint8_t> read_;  // standard input, read whole
#else
  bool Map(int fd, std::string& error);
  int fd_ = -1;  // kept open for copies inside the system
#endif
};

}  // namespace rdbtool
