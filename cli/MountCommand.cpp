// mount PKG... MOUNTPOINT [-f] [--match GLOB] [--type T] [-o OPTIONS]
#include <memory>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/MountServer.h"
#include "cli/MountTree.h"
#include "cli/PackageFile.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

struct MountArguments : Arguments, SelectionOptions {
  bool foreground = false;
  std::vector<std::string> fuseOptions;
};

const OptionTable<MountArguments> kOptions = {
    {'f', "foreground", &MountArguments::foreground,
     "stay in the foreground (by default the command returns as soon as the folder is mounted, and serves it in "
     "the background)"},
    {0, "type", "TYPE", &MountArguments::types, "only entries of these types (see 'rdbtool list --help')"},
    {0, "match", "GLOB", &MountArguments::matches, "only names matching GLOB (see 'rdbtool list --help')"},
    {'o', nullptr, "OPTIONS", &MountArguments::fuseOptions, "mount options for FUSE, comma-separated (allow_other, ...)"},
};

const char kHelpStart[] =
    "Usage: rdbtool mount PKG... MOUNTPOINT [-f] [--type TYPE[,TYPE...]] [--match GLOB]\n"
    "                                        [-o OPTIONS]\n"
    "Shows the packages' entries as a read-only folder at MOUNTPOINT (Linux, FUSE), named\n"
    "and unwrapped exactly as 'rdbtool extract' writes them: every tool can then read them\n"
    "without extracting anything. With several packages (a base and its patches) the later\n"
    "ones win: an entry of a later package replaces the file of the same name (compared as\n"
    "extract compares names), and folders merge. Entries that extract would not write are\n"
    "not shown; each is named on standard error with the reason when mounting.\n"
    "\n"
    "Files are read-only (0444, folders 0555), with the package file's time. The packages\n"
    "must not change while mounted: a read beyond the end of a package that has shrunk\n"
    "fails with an I/O error.\n"
    "\n";
const char kHelpEnd[] =
    "\n"
    "Unmount with 'fusermount3 -u MOUNTPOINT' or 'umount MOUNTPOINT', or stop the process\n"
    "(SIGINT, SIGTERM). A MOUNTPOINT that is not an empty folder, an unreadable or damaged\n"
    "package, or a system without FUSE: nothing is mounted and the exit status is 2;\n"
    "once mounted it is 0, also when entries were left out.\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines + kHelpEnd; }

constexpr const char* kCommand = "mount";

std::string Shown(std::u16string_view name) {
  std::string text;
  AppendDisplayName(name, text);
  return text;
}

// Why a hidden entry is not shown, in extract's words.
std::string Reason(const HiddenEntry& h, const std::vector<std::unique_ptr<PackageFile>>& packages,
                   const std::vector<std::string>& paths) {
  using sorv::rules::ExportRefusal;
  switch (h.why) {
    case HiddenEntry::kInvalid:
      return packages[h.layer]->Entries()[h.entry].nSize < 0 ? "negative size in the index"
                                                              : "its data lies outside the package file";
    case HiddenEntry::kUnpairedSurrogate:
      return "the name holds an unpaired UTF-16 surrogate, which no host file name can carry";
    case HiddenEntry::kRefused:
      break;
  }
  std::string reason = RefusalText(h.refusal);
  if (h.refusal == ExportRefusal::kDuplicate || h.refusal == ExportRefusal::kNameClash) {
    reason += " (\"" + Shown(PackageFile::Name(packages[h.earlierLayer]->Entries()[h.earlierEntry])) + "\"";
    if (h.earlierLayer != h.layer) reason += " of " + paths[h.earlierLayer];
    reason += ")";
  }
  return reason;
}

int Run(const MountArguments& a) {
  std::vector<std::string> paths = a.Positionals();
  MountRequest request;
  request.mountPoint = paths.back();
  paths.pop_back();
  request.packages = paths;
  request.foreground = a.foreground;
  request.options = a.fuseOptions;
  EntrySelection selection;
  SelectByOptions(a, selection);

  std::string error;
  if (!CanMount(error)) {
    Report(kCommand, error);
    return kExitFailure;
  }

  // Every package is opened and read before anything is mounted.
  MountedPackages served;
  std::vector<std::unique_ptr<PackageFile>> packages;
  std::vector<std::vector<MountEntry>> layers(paths.size());
  size_t total = 0;
  for (size_t l = 0; l < paths.size(); ++l) {
    packages.push_back(std::make_unique<PackageFile>());
    PackageFile& package = *packages.back();
    if (!served.Open(paths[l], error) || !package.Open(ToNativePath(paths[l]), error)) {
      Report(kCommand, paths[l] + ": " + error);
      return kExitFailure;
    }
    if (!served.SameAsPath(paths[l])) {
      Report(kCommand, paths[l] + ": replaced while being read");
      return kExitFailure;
    }
    const uint8_t* view = package.File().Data();
    layers[l].reserve(package.Entries().size());  // no doubling of a million records
    size_t sinceRelease = 0;
    for (const RESENTRY& entry : package.Entries()) {
      // Each entry's first bytes decide its name (wrapped or not): the walk touches the
      // whole package, which must not stay in our memory while mounted or before.
      if (++sinceRelease == 1024) {
        package.File().ReleasePages();
        sinceRelease = 0;
      }
      const sorv::pkg::EntryContent content = package.Content(entry);
      if (!selection.Selects(PackageFile::Name(entry), sorv::pkg::ContentTypeName(content.ext))) {
        // Keeps the entry numbers of the hidden-entry reports: an entry not selected is
        // planned as nothing at all (an empty name the plan refuses and nobody reports).
        layers[l].push_back(MountEntry());
        continue;
      }
      MountEntry e;
      e.name = PackageFile::Name(entry);
      // The extension texts are 16-bit units on every platform (wchar_t on Windows).
      if (content.wrapped)
        e.ext = std::u16string_view(reinterpret_cast<const char16_t*>(content.ext),
                                    std::char_traits<ResChar>::length(content.ext));
      e.valid = content.valid;
      if (content.valid) {
        e.offset = static_cast<uint64_t>(content.data - view);
        e.size = content.size;
      }
      layers[l].push_back(e);
      ++total;
    }
    package.File().ReleasePages();
  }

  std::vector<HiddenEntry> hidden;
  const MountTree tree = MountTree::Build(layers, hidden);
  size_t reported = 0;
  for (const HiddenEntry& h : hidden) {
    const RESENTRY& entry = packages[h.layer]->Entries()[h.entry];
    if (layers[h.layer][h.entry].name.data() == nullptr) continue;  // not selected
    ++reported;
    Report(kCommand, (paths.size() > 1 ? paths[h.layer] + ": " : std::string()) + Shown(PackageFile::Name(entry)) +
                         ": " + Reason(h, packages, paths));
  }
  selection.ReportUnmatched(kCommand);
  if (reported) Report(kCommand, std::to_string(reported) + " of " + std::to_string(total) + " entries not shown");
  // The tree holds what it needs: the mappings go before serving.
  layers.clear();
  packages.clear();
  return ServeMount(tree, served, request);
}

}  // namespace

const Command kMountCommand = {
    "mount", "PKG... DIR", "show packages as a read-only folder (Linux)",
    Help, kOptions.Specs(), 2, kAnyNumber, "expects one or more packages and a mount point", RunWith(kOptions, Run),
};

}  // namespace rdbtool
