// mount PKG... MOUNTPOINT [-f] [--match GLOB] [--type T] [-o OPTIONS]
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/MountHeads.h"
#include "cli/MountServer.h"
#include "cli/MountTree.h"
#include "cli/PackageFile.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "package/ContentTypes.h"
#include "package/PackageFormat.h"

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
std::string Reason(const HiddenEntry& h, const std::vector<std::vector<MountEntry>>& layers,
                   const std::vector<std::string>& paths) {
  using sorv::rules::ExportRefusal;
  switch (h.why) {
    case HiddenEntry::kInvalid:
      return layers[h.layer][h.entry].negativeSize ? "negative size in the index"
                                                    : "its data lies outside the package file";
    case HiddenEntry::kUnpairedSurrogate:
      return "the name holds an unpaired UTF-16 surrogate, which no host file name can carry";
    case HiddenEntry::kRefused:
      break;
  }
  std::string reason = RefusalText(h.refusal);
  if (h.refusal == ExportRefusal::kDuplicate || h.refusal == ExportRefusal::kNameClash) {
    reason += " (\"" + Shown(layers[h.earlierLayer][h.earlierEntry].Name()) + "\"";
    if (h.earlierLayer != h.layer) reason += " of " + paths[h.earlierLayer];
    reason += ")";
  }
  return reason;
}

// Bytes a content type's signature needs at most (the icon and cursor test reads six).
constexpr size_t kSniffBytes = 16;

// One package's entries for the tree, in index order: where each one's bytes are, and
// from their first bytes whether it is wrapped and what it holds. An entry the selection
// leaves out gets no name (the tree plans it as nothing). `selected` counts the others.
// False with the reason when the index is damaged or the file cannot be read.
bool ReadEntries(PackageFile& package, EntrySelection& selection, std::vector<MountEntry>& out, size_t& selected,
                 std::string& error) {
  const MappedFile& file = package.File();
  const uint8_t* view = file.Data();
  const uint64_t size = file.Size();
  sorv::pkg::IndexDamage damage;
  size_t sinceRelease = 0;
  const bool read = sorv::pkg::WalkIndex(
      view, size, damage, [&](uint32_t count) { out.reserve(count); },
      [&](const uint8_t* record, const uint8_t* fields) {
        const RESENTRY entry = sorv::pkg::RecordEntry(view, size, record, fields);
        MountEntry e;
        // The view's bytes have no declared type; read as UTF-16 units on every platform.
        e.SetName(std::u16string_view(reinterpret_cast<const char16_t*>(record),
                                      static_cast<size_t>(fields - record) / 2 - 1));
        e.negativeSize = entry.nSize < 0;
        if (entry.pData && entry.nSize >= 0 && static_cast<uint64_t>(entry.nSize) <= size - (entry.pData - view)) {
          e.valid = true;
          e.offset = static_cast<uint64_t>(entry.pData - view);
          e.size = static_cast<uint64_t>(entry.nSize);
        }
        out.push_back(e);
        // The index is read once here: its pages need not stay in this process's memory.
        if (++sinceRelease == 8192) {
          package.File().ReleasePages(0, static_cast<uint64_t>(fields - view));
          sinceRelease = 0;
        }
      });
  if (!read) {
    error = PackageFile::kDamagedIndex;
    return false;
  }
  const uint64_t indexEnd =
      out.empty() ? 0
                  : static_cast<uint64_t>(reinterpret_cast<const uint8_t*>(out.back().name) - view) +
                        sorv::pkg::RecordSize(out.back().nameLength);
  package.File().ReleasePages(0, indexEnd);

  MountHeads heads(file, out);
  for (size_t i = 0; i < out.size(); ++i) {
    MountEntry& e = out[i];
    const sorv::pkg::ContentType* type = nullptr;
    bool wrapped = false;
    if (e.valid) {
      size_t got = 0;
      const uint8_t* head = heads.Head(i, got);
      uint64_t headerLength = 0;
      if (head && sorv::pkg::ReadWrapHeader(head, got, e.size, headerLength)) {
        wrapped = true;
        e.offset += headerLength;
        e.size -= headerLength;
        if (headerLength + std::min<uint64_t>(e.size, kSniffBytes) <= got) {
          head += headerLength;
          got -= static_cast<size_t>(headerLength);
        } else {
          head = heads.Bytes(e.offset, static_cast<size_t>(std::min<uint64_t>(e.size, kSniffBytes)), got);
        }
      }
      if (!head) {
        error = "cannot read the entries' first bytes (the file is shorter than its index says, or unreadable)";
        return false;
      }
      type = sorv::pkg::SniffContentType(head, std::min<uint64_t>({e.size, got, kSniffBytes}));
    }
    if (wrapped) e.ext = MountEntry::ExtensionCode(type);
    if (!selection.Selects(e.Name(), type ? type->name : sorv::pkg::kNoContentTypeName, e.Extension())) {
      e.name = nullptr;  // planned as nothing: an empty name the plan refuses and nobody reports
      e.nameLength = 0;
      continue;
    }
    ++selected;
  }
  return true;
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
    if (!served.Open(paths[l], error) || !package.Open(ToNativePath(paths[l]), error, nullptr, false) ||
        !ReadEntries(package, selection, layers[l], total, error)) {
      Report(kCommand, paths[l] + ": " + error);
      return kExitFailure;
    }
    if (!served.SameAsPath(paths[l])) {
      Report(kCommand, paths[l] + ": replaced while being read");
      return kExitFailure;
    }
  }

  std::vector<HiddenEntry> hidden;
  // The names are read from the indexes once more: their pages go again as they are read.
  const MountTree tree = MountTree::Build(layers, hidden, [&packages] {
    for (const std::unique_ptr<PackageFile>& p : packages) p->File().ReleasePages(0, p->File().Size());
  });
  size_t reported = 0;
  for (const HiddenEntry& h : hidden) {
    const MountEntry& entry = layers[h.layer][h.entry];
    if (entry.name == nullptr) continue;  // not selected
    ++reported;
    Report(kCommand, (paths.size() > 1 ? paths[h.layer] + ": " : std::string()) + Shown(entry.Name()) + ": " +
                         Reason(h, layers, paths));
  }
  selection.ReportUnmatched(kCommand);
  if (reported) Report(kCommand, std::to_string(reported) + " of " + std::to_string(total) + " entries not shown");
  // The tree holds what it needs: the entries and mappings go before serving.
  std::vector<HiddenEntry>().swap(hidden);
  std::vector<std::vector<MountEntry>>().swap(layers);
  packages.clear();
  return ServeMount(tree, served, request);
}

}  // namespace

const Command kMountCommand = {
    "mount", "PKG... DIR", "show packages as a read-only folder (Linux)",
    Help, kOptions.Infos(), 2, kAnyNumber, "expects one or more packages and a mount point", RunWith(kOptions, Run),
};

}  // namespace rdbtool
