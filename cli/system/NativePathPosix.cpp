#include "cli/system/NativePath.h"

namespace rdbtool {

NativePath ToNativePath(const std::string& argument) { return argument; }

std::string DisplayPath(const NativePath& path) { return path; }

NativePath JoinPath(const NativePath& dir, const NativePath& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

}  // namespace rdbtool
