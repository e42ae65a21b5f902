// Where pack and update write a package. A new or regular file is written to a temporary
// file beside it and moved over it only when complete, so a failed run leaves no
// half-made package behind (and the old package, even when it is the input, stays whole
// until then); the temporary file is removed also when the run is ended by an interrupt,
// a termination or a hang-up. A symbolic link is followed, so the file it points to is the
// one replaced. "-" is standard output; an existing device is written through, front to
// back; a folder, a named pipe, a socket and a device that cannot seek are refused (a
// pipe with no reader would block for ever: standard output is the way into a pipe).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/system/NativePath.h"
#if defined(_WIN32)
#include "platform/KernelHandle.h"
#endif

namespace rdbtool {

class MappedFile;

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // `argument` as given on the command line.
  bool Create(const std::string& argument, std::string& error);
  // False when written through (standard output, a device, a pipe): then the bytes must
  // come in order, and WriteAt may only continue at the end.
  bool Seekable() const { return seekable_; }
  // The file that will hold the package (the link's target for a link); empty for
  // standard output. For telling whether an input is the output.
  const NativePath& Target() const { return path_; }
  const std::string& Display() const { return display_; }
  // The temporary file being written (empty when written through), so that a folder
  // walk can leave it out.
  const NativePath& Temporary() const { return temp_; }

  bool Write(const uint8_t* data, size_t size, std::string& error);
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size, std::string& error);
  // Copies `size` bytes of the file mapped as `in` from `offset` to `at` (to the end when written through)
  // inside the system, without passing them through this process: 1 when done, 0 when the
  // system cannot (nothing was written: write the bytes instead), -1 on an error.
  int CopyFrom(const MappedFile& in, uint64_t offset, uint64_t at, uint64_t size, std::string& error);
  // Whether WriteAt and CopyFrom may run on two threads at once, at offsets that do not
  // overlap: on Linux every write names its offset; on Windows a write moves the file's
  // one position, so they may not.
  bool TwoWriters() const;
  // Cuts a seekable file to `size` bytes (or makes it that long).
  bool SetSize(uint64_t size, std::string& error);
  // Finishes the package: closes it and, for a temporary file, puts it in place.
  bool Commit(std::string& error);

 private:
  NativePath path_, temp_;
  std::string display_;
  // The system's writes, in FileIoPosix.cpp and FileIoWin.cpp: front to back through a
  // stream, and at an offset of a seekable file.
  bool WriteThrough(const uint8_t* data, size_t size, std::string& error);
  bool WriteAtOffset(uint64_t offset, const uint8_t* data, size_t size, std::string& error);

  bool seekable_ = true;
  bool committed_ = false;
  bool ownsHandle_ = true;  // false for standard output, which stays open
  // Where Write goes on: the end of what was written (two threads may write at once).
  std::atomic<uint64_t> position_{0};
  void MoveEnd(uint64_t end) {
    uint64_t was = position_.load();
    while (end > was && !position_.compare_exchange_weak(was, end)) {
    }
  }
#if defined(_WIN32)
  sorv::FileHandle file_;
#else
  int file_ = -1;
#endif
};

}  // namespace rdbtool
