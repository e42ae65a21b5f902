// cat PKG NAME... [--units UNITS]...
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"
#include "cli/system/Console.h"
#include "package/PackageFormat.h"

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

// The entries one name selects, found in one pass over the index for all names.
struct Wanted {
  EntrySelection selection;  // the one name
  std::string shown;
  std::vector<RESENTRY> exact, caseBlind;  // in index order
};

// Scans the index where it lies, without a record per entry: a name is compared where it
// is stored, and an entry's data is read only when the name could carry its extension.
bool FindWanted(const PackageFile& package, std::vector<Wanted>& wanted) {
  const uint8_t* view = package.File().Data();
  const uint64_t size = package.File().Size();
  sorv::pkg::IndexDamage damage;
  return sorv::pkg::WalkIndex(
      view, size, damage, [](uint32_t) {},
      [&](const uint8_t* record, const uint8_t* fields) {
        // The bytes have no declared type; read them as UTF-16 units, as PackageFile::Name does.
        const std::u16string_view name(reinterpret_cast<const char16_t*>(record),
                                       static_cast<size_t>((fields - record) / 2 - 1));
        for (Wanted& w : wanted) {
          std::u16string_view ext;
          if (w.selection.MayNeedExtension(name))
            ext = AppendedExtension(package.Content(sorv::pkg::RecordEntry(view, size, record, fields)));
          const EntrySelection::Match match = w.selection.MatchOfFirst(name, ext);
          if (match == EntrySelection::Match::kExact) w.exact.push_back(sorv::pkg::RecordEntry(view, size, record, fields));
          else if (match == EntrySelection::Match::kCaseBlind && w.exact.empty())
            w.caseBlind.push_back(sorv::pkg::RecordEntry(view, size, record, fields));
        }
      });
}

// Writes the entries `w` selects: those stored exactly so, or only when there are none the
// case-blind ones. False when standard output fails.
bool WriteSelected(const PackageFile& package, const Wanted& w, bool& failed) {
  const std::vector<RESENTRY>& selected = w.exact.empty() ? w.caseBlind : w.exact;
  for (const RESENTRY& entry : selected) {
    const sorv::pkg::EntryContent content = package.Content(entry);
    if (!content.valid) {
      Report("cat", w.shown + ": its data lies outside the package file");
      failed = true;
    } else if (!WriteBytes(Stream::kOut, content.data, content.size)) {
      Report("cat", "cannot write to standard output");
      return false;
    }
  }
  if (selected.empty()) {
    Report("cat", w.shown + ": no such entry");
    failed = true;
  } else if (selected.size() > 1) {
    Report("cat", w.shown + ": selects " + std::to_string(selected.size()) + " entries; each was written, in index order");
  }
  return true;
}

int Run(const CatArguments& a) {
  const std::vector<std::string>& units = a.units;
  if (a.Positionals().size() < 2 && units.empty()) throw UsageError("expects a package and at least one entry name");
  // Check every name before the package is read.
  std::vector<Wanted> wanted(a.Positionals().size() - 1 + units.size());
  std::string error;
  for (size_t n = 1; n < a.Positionals().size(); ++n) {
    if (!wanted[n - 1].selection.AddName(a.Positionals()[n], error)) throw UsageError(error);
    wanted[n - 1].shown = a.Positionals()[n];
  }
  const size_t named = a.Positionals().size() - 1;
  for (size_t u = 0; u < units.size(); ++u) {
    if (!wanted[named + u].selection.AddUnits(units[u], error)) throw UsageError(error);
    wanted[named + u].shown = "--units " + units[u];
  }
  PackageFile package;
  if (!OpenPackage(a, "cat", package, false)) return kExitFailure;
  if (!FindWanted(package, wanted)) {
    const std::string& path = a.Positionals()[0];
    Report("cat", (path == "-" ? std::string("standard input") : path) + ": " + PackageFile::kDamagedIndex);
    return kExitFailure;
  }
  bool failed = false;
  for (const Wanted& w : wanted)
    if (!WriteSelected(package, w, failed)) return kExitFailure;
  return failed ? kExitPartial : kExitOk;
}

}  // namespace

const Command kCatCommand = {
    "cat", "PKG NAME...", "write entries to standard output, as extract writes them",
    Help, kOptions.Infos(), 1, kAnyNumber, "expects a package and at least one entry name", RunWith(kOptions, Run),
};

}  // namespace rdbtool
