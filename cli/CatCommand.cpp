// cat PKG NAME... [--units UNITS]...
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"

namespace rdbtool {

namespace {

struct CatArguments : Arguments {
  std::vector<std::string> units;
};

const OptionTable<CatArguments> kOptions = {
    {0, "units", "UNITS", &CatArguments::units,
     "an entry named by its stored name's UTF-16 units, as list --json gives them in stored_units for a name that "
     "is not valid Unicode: decimal, comma-separated (\"100,92,56321,120\"); matched exactly"},
};

const char kHelpStart[] =
    "Usage: rdbtool cat PKG NAME... [--units UNITS]...\n"
    "Writes the contents of the entries named NAME to standard output, in the order the\n"
    "names are given, as extract would write them to files: a wrapped image without its\n"
    "\"TGF\" header. A NAME is the stored name (\"/\" or \"\\\" alike) or the name extract\n"
    "writes (ui/btn/ok.png for a wrapped PNG stored as ui\\btn\\ok). Entries stored with\n"
    "exactly that name are written; only when there are none is ASCII case ignored. A name\n"
    "that selects several entries writes each, and says so on standard error.\n";
const char kHelpEnd[] =
    "  rdbtool cat game.rdb ui/btn/ok | identify -\n"
    "Exit status 1 when a name matches no entry or an entry's data lies outside the file.\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines + kHelpEnd; }

// Writes the entries `selection` (one name) selects; false when standard output fails.
bool WriteSelected(const PackageFile& package, EntrySelection& selection, const std::string& shown, bool& failed) {
  const std::vector<RESENTRY>& entries = package.Entries();
  // A stored name as long as the given one needs no appended extension to match it.
  auto extension = [&](const RESENTRY& entry, std::u16string_view name) {
    return name.size() < selection.LongestName() ? AppendedExtension(package.Content(entry)) : std::u16string_view();
  };
  for (const RESENTRY& entry : entries) {
    const std::u16string_view name = PackageFile::Name(entry);
    selection.SeeName(name, extension(entry, name));
  }
  size_t selected = 0;
  for (const RESENTRY& entry : entries) {
    const std::u16string_view name = PackageFile::Name(entry);
    if (!selection.Selects(name, "", extension(entry, name))) continue;
    ++selected;
    const sorv::pkg::EntryContent content = package.Content(entry);
    if (!content.valid) {
      Report("cat", shown + ": its data lies outside the package file");
      failed = true;
    } else if (!WriteBytes(Stream::kOut, content.data, content.size)) {
      Report("cat", "cannot write to standard output");
      return false;
    }
  }
  if (selected == 0) {
    Report("cat", shown + ": no such entry");
    failed = true;
  } else if (selected > 1) {
    Report("cat", shown + ": selects " + std::to_string(selected) + " entries; each was written, in index order");
  }
  return true;
}

int Run(const CatArguments& a) {
  const std::vector<std::string>& units = a.units;
  if (a.Positionals().size() < 2 && units.empty()) throw UsageError("expects a package and at least one entry name");
  // Check every name before the package is read.
  std::vector<EntrySelection> selections(a.Positionals().size() - 1 + units.size());
  std::vector<std::string> shown;
  std::string error;
  for (size_t n = 1; n < a.Positionals().size(); ++n) {
    if (!selections[n - 1].AddName(a.Positionals()[n], error)) throw UsageError(error);
    shown.push_back(a.Positionals()[n]);
  }
  for (size_t u = 0; u < units.size(); ++u) {
    if (!selections[shown.size()].AddUnits(units[u], error)) throw UsageError(error);
    shown.push_back("--units " + units[u]);
  }
  PackageFile package;
  if (!OpenPackage(a, "cat", package)) return kExitFailure;
  bool failed = false;
  for (size_t i = 0; i < selections.size(); ++i)
    if (!WriteSelected(package, selections[i], shown[i], failed)) return kExitFailure;
  return failed ? kExitPartial : kExitOk;
}

}  // namespace

const Command kCatCommand = {
    "cat", "PKG NAME...", "write entries to standard output, as extract writes them",
    Help, kOptions.Specs(), 1, kAnyNumber, "expects a package and at least one entry name", RunWith(kOptions, Run),
};

}  // namespace rdbtool
