// cat PKG NAME...
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"

namespace rdbtool {

namespace {

const char kHelp[] =
    "Usage: rdbtool cat PKG NAME...\n"
    "Writes the contents of the entries named NAME to standard output, in the order the\n"
    "names are given, as extract would write them to files: a wrapped image without its\n"
    "\"TGF\" header. Names are matched as extract matches them (\"/\" or \"\\\", any ASCII\n"
    "case); an entry stored more than once is written each time it is stored.\n"
    "  rdbtool cat game.rdb ui/btn/ok | identify -\n"
    "Exit status 1 when a name matches no entry or an entry's data lies outside the file.\n";

int Run(const Arguments& a) {
  PackageFile package;
  if (!OpenPackage(a, "cat", package)) return kExitFailure;
  std::string error;
  bool failed = false;
  for (size_t n = 1; n < a.Positionals().size(); ++n) {
    const std::string& name = a.Positionals()[n];
    EntrySelection selection;
    if (!selection.AddName(name, error)) throw UsageError(error);
    for (const RESENTRY& entry : package.Entries()) {
      if (!selection.Selects(PackageFile::Name(entry), "")) continue;
      const sorv::pkg::EntryContent content = package.Content(entry);
      if (!content.valid) {
        Report("cat", name + ": its data lies outside the package file");
        failed = true;
      } else if (!WriteBytes(Stream::kOut, content.data, content.size)) {
        Report("cat", "cannot write to standard output");
        return kExitFailure;
      }
    }
    if (!selection.UnmatchedNames().empty()) {
      Report("cat", name + ": no such entry");
      failed = true;
    }
  }
  return failed ? kExitPartial : kExitOk;
}

}  // namespace

const Command kCatCommand = {
    "cat", "PKG NAME...", "write entries to standard output, as extract writes them",
    [] { return std::string(kHelp); }, {}, 2, kAnyNumber, "expects a package and at least one entry name", Run,
};

}  // namespace rdbtool
