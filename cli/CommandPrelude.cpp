// What the commands that read a package share: opening it, and the entry selection
// their options ask for.
#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"

namespace rdbtool {

bool OpenPackage(const Arguments& args, const char* command, PackageFile& package) {
  const std::string& path = args.Positionals()[0];
  std::string error;
  if (package.Open(ToNativePath(path), error)) return true;
  Report(command, path + ": " + error);
  return false;
}

void SelectByOptions(const Arguments& args, EntrySelection& selection) {
  std::string error;
  for (const std::string& t : args.Values("--type"))
    if (!selection.AddTypes(t, error)) throw UsageError(error);
  for (const std::string& m : args.Values("--match"))
    if (!selection.AddPattern(m, error)) throw UsageError(error);
}

}  // namespace rdbtool
