// Windows has no FUSE: mount only says so.
#include "cli/Commands.h"
#include "cli/MountServer.h"

namespace rdbtool {

bool CanMount(std::string& why) {
  why = "mounting is available on Linux only";
  return false;
}

MountedPackages::~MountedPackages() = default;

bool MountedPackages::Open(const std::string&, std::string& error) {
  error = "mounting is available on Linux only";
  return false;
}

bool MountedPackages::SameAsPath(const std::string&) const { return false; }

int ServeMount(const MountTree&, const MountedPackages&, const MountRequest&) {
  Report("mount", "mounting is available on Linux only");
  return kExitFailure;
}

}  // namespace rdbtool
