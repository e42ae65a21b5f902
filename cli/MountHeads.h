// The first bytes of a package's entries, which decide their names (a wrapped image's file
// name ends in its content's extension) and types. Read in the file's order with large
// reads into one buffer: naming a million entries then costs a few hundred reads, not a
// page fault per entry, and keeps none of the package in this process's memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/MountTree.h"
#include "cli/system/MappedFile.h"

namespace rdbtool {

class MountHeads {
 public:
  // Bytes of an entry that Head gives at most: a wrapped header's fields and, behind a
  // header of the usual length, the content's signature.
  static constexpr size_t kHead = 64;

  // `entries`: one package's entries, `offset` and `size` being where each one's stored
  // bytes are; only the valid ones are read.
  MountHeads(const MappedFile& file, const std::vector<MountEntry>& entries, size_t window = size_t{1} << 20)
      : file_(file), entries_(entries), window_(window) {}

  // The first min(kHead, size) bytes of entry `i` (valid), valid until the next call; null
  // when the file cannot be read there (it has shrunk, or a read failed).
  const uint8_t* Head(size_t i, size_t& got);
  // Up to `want` (at most kHead) bytes at `offset`, fewer at the end of the file, in a
  // buffer of their own: the window stays.
  const uint8_t* Bytes(uint64_t offset, size_t want, size_t& got);

 private:
  const MappedFile& file_;
  const std::vector<MountEntry>& entries_;
  size_t window_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;  // the buffer holds the file's bytes [start_, start_ + length_)
  size_t length_ = 0;
  uint8_t side_[kHead];
};

}  // namespace rdbtool
