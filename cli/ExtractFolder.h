// The folder that extract writes into. Where an entry goes and whether it may be written
// at all is decided by the window program's export rule (MakeExportTarget); this class
// makes the entry's directories and writes its bytes, and never leaves the folder: on the
// host it walks directory by directory without following symbolic links.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExportPath.h"
#include "NativePath.h"

namespace rdbtool {

class ExtractFolder {
 public:
  ExtractFolder() = default;
  ~ExtractFolder();
  ExtractFolder(const ExtractFolder&) = delete;
  ExtractFolder& operator=(const ExtractFolder&) = delete;

  // Opens `folder`, making it (and missing parents) first when it does not exist.
  bool Open(const NativePath& folder, std::string& error);

  // The export target of a stored name below this folder (refused names included).
  sorv::app::ExportTarget Target(std::u16string_view storedName) const;

  // Writes `size` bytes to the allowed `target`, with `appendExt` (a wrapped entry's
  // recognised extension, or empty) added to its file name, replacing an existing file.
  // Makes the directories first. False with a reason; a file left half-written by a
  // failed write is removed.
  bool Write(const sorv::app::ExportTarget& target, std::u16string_view appendExt, const uint8_t* data,
             uint64_t size, std::string& error);

  // With `keep`, Write never replaces an existing file (or anything else of that name):
  // it fails, and WasKept() tells that this was the reason.
  void KeepExisting(bool keep) { keepExisting_ = keep; }
  bool WasKept() const { return kept_; }

 private:
  bool keepExisting_ = false;
  bool kept_ = false;
#if defined(_WIN32)
  bool MakeDirectories(const sorv::app::ExportTarget& target, std::string& error);
  std::u16string folder_;
  std::vector<std::u16string> made_;  // directories known to exist, outermost first
#else
  bool EnterDirectories(const std::vector<std::string>& dirs, std::string& error);
  int rootFd_ = -1;
  // The directories of the last entry, open, outermost first: entries of one directory
  // usually follow each other, so each directory is made and opened once.
  std::vector<std::pair<std::string, int>> chain_;
#endif
};

// The reason for a refused name, for messages.
const char* RefusalText(sorv::app::ExportRefusal refusal);

}  // namespace rdbtool
