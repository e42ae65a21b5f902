// OutputFile's choice between writing at an offset and writing through, the same on every
// system; the writes themselves are in FileIoPosix.cpp and FileIoWin.cpp.
#include "cli/system/OutputFile.h"

namespace rdbtool {

bool OutputFile::Write(const uint8_t* data, size_t size, std::string& error) {
  return seekable_ ? WriteAtOffset(position_, data, size, error) : WriteThrough(data, size, error);
}

bool OutputFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size, std::string& error) {
  if (seekable_) return WriteAtOffset(offset, data, size, error);
  if (offset != position_) {
    error = "cannot write to " + display_ + " out of order";
    return false;
  }
  return WriteThrough(data, size, error);
}

}  // namespace rdbtool
