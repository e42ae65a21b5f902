// Serving a MountTree as a mounted, read-only folder: FUSE on Linux; elsewhere the
// command only says that mounting is not available.
#pragma once
#include <string>
#include <vector>

#include "cli/MountTree.h"

namespace rdbtool {

struct MountRequest {
  std::vector<std::string> packages;  // the packages' paths, in the tree's layer order
  std::string mountPoint;
  bool foreground = false;
  std::vector<std::string> options;   // the -o values, passed on to the mount
};

// False with the reason when this system cannot mount at all.
bool CanMount(std::string& why);

// The packages' open files for the time of the mount; opened before their indexes are
// read, so the mount serves the very files that were read.
class MountedPackages {
 public:
  MountedPackages() = default;
  ~MountedPackages();
  MountedPackages(const MountedPackages&) = delete;
  MountedPackages& operator=(const MountedPackages&) = delete;

  // False with the system's reason.
  bool Open(const std::string& path, std::string& error);
  // Whether the package opened last is the file at `path` now (not replaced meanwhile).
  bool SameAsPath(const std::string& path) const;
  size_t Count() const { return files_.size(); }
  int Descriptor(size_t layer) const { return files_[layer]; }

 private:
  std::vector<int> files_;
};

// Checks the mount point, mounts and serves until unmounted or stopped by SIGINT, SIGTERM
// or SIGHUP; in the background once the mount is ready unless `foreground`. Reports any
// failure itself and returns the exit code (2 when nothing was mounted).
int ServeMount(const MountTree& tree, const MountedPackages& packages, const MountRequest& request);

}  // namespace rdbtool
