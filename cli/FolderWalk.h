// The files below a folder, for pack.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/NativePath.h"

namespace rdbtool {

struct FoundFile {
  std::vector<std::u16string> components;  // the path below the root, one part each
  NativePath path;                         // for opening
  std::string display;                     // the path below the root, for messages
  std::string problem;                     // why it cannot be packed; empty for a regular file
  bool link = false;                       // the problem is a symbolic link not followed
  bool followed = false;                   // the file is a symbolic link, followed
};

// Every regular file below `root`, depth first. Symbolic links are followed only with
// `followLinks` (a link back to a folder being walked then comes back with a problem);
// devices, pipes, sockets, unreadable folders and names that are not valid text come back
// with a problem. False when `root` itself cannot be read.
bool WalkFolder(const NativePath& root, bool followLinks, std::vector<FoundFile>& files, std::string& error);

// Identity of a file (device and file number), to recognise the package being made among
// the files being packed.
struct FileId {
  bool valid = false;
  uint64_t device = 0, number = 0;
  bool operator==(const FileId& other) const {
    return valid && other.valid && device == other.device && number == other.number;
  }
};
FileId IdentifyFile(const NativePath& path);

}  // namespace rdbtool
