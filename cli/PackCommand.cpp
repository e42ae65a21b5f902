// pack DIR -o PKG [--wrap EXT[,EXT...]] [-L] [-v]
#include <algorithm>
#include <memory>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/PackPlan.h"
#include "cli/PackageAssembly.h"
#include "cli/system/Console.h"
#include "cli/system/FolderWalk.h"
#include "cli/system/InputFile.h"
#include "cli/system/OutputFile.h"
#include "package/PackageFormat.h"
#include "platform/TextRules.h"

namespace rdbtool {

namespace {

struct PackArguments : Arguments {
  std::vector<std::string> output;  // -o: exactly one
  std::vector<std::string> wrap;
  bool follow = false;
  bool verbose = false;
};

const OptionTable<PackArguments> kOptions = {
    {'o', nullptr, "PKG", &PackArguments::output,
     "the package to write: a new or regular file is replaced only when the package is complete, and a symbolic "
     "link is followed to the file it names; \"-\" is standard output; a device or pipe is written through"},
    {0, "wrap", "EXT", &PackArguments::wrap,
     "store files whose name ends in .EXT behind a \"TGF\" header (repeatable, or comma-separated). A file "
     "holding a recognised image loses that image's extension from its stored name, which extract appends again: "
     "with --wrap png, x.gft.png holding a PNG is stored as x.gft. A file whose name does not end in its image's "
     "extension is stored unwrapped with a warning. Files that begin with a \"TGF\" header themselves are always "
     "wrapped once more, so extract does not strip it."},
    {'L', "dereference", &PackArguments::follow,
     "follow symbolic links and store what they point to (a link to a folder above it is reported and not "
     "followed again)"},
    {'v', "verbose", &PackArguments::verbose, "name every symbolic link left out"},
};

const char kHelpStart[] =
    "Usage: rdbtool pack DIR -o PKG [--wrap EXT[,EXT...]] [-L] [-v]\n"
    "Makes the package PKG from the files below DIR, in name order, stored under their\n"
    "paths below DIR with \"\\\" separators. 'rdbtool extract PKG' gives the same files back.\n"
    "Special files, names that extract would refuse and (on the host) names holding \"\\\"\n"
    "are left out and reported; empty folders are not stored. Symbolic links are left out\n"
    "with one summary line, unless -L is given.\n"
    "\n";
const char kHelpEnd[] =
    "\n"
    "A progress bar is shown when standard error is a terminal. Exit status 1 when files\n"
    "other than symbolic links were left out (the package holds the others), 2 when no\n"
    "package was written.\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines + kHelpEnd; }

}  // namespace

std::vector<std::string> WrapExtensions(const std::vector<std::string>& values) {
  std::vector<std::string> out;
  for (const std::string& value : values) {
    size_t start = 0;
    while (start <= value.size()) {
      size_t comma = value.find(',', start);
      if (comma == std::string::npos) comma = value.size();
      std::string ext = value.substr(start, comma - start);
      if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
      if (ext.empty() || ext.find('.') != std::string::npos) throw UsageError("bad --wrap extension '" + value + "'");
      out.push_back(sorv::Lower(ext));
      start = comma + 1;
    }
  }
  return out;
}

bool ReadFileHead(const NativePath& path, bool followLink, std::vector<uint8_t>& head, std::string& error) {
  InputFile in;
  if (!in.Open(path, error, followLink)) return false;
  head.resize(kPackHeadSize);
  const int64_t n = in.Read(head.data(), head.size(), error);
  if (n < 0) return false;
  head.resize(static_cast<size_t>(n));
  return true;
}

namespace {

// Pack's entries, one per file of the listing that is stored, made when the writer asks
// for them: a million files need no name or path of their own in memory.
class PackList : public EntryList {
 public:
  PackList(const FolderListing& listing, const std::vector<std::string>& wrapExtensions)
      : listing_(listing), wrap_(wrapExtensions) {}

  // Plans the file `i` of the listing: stored, or false with the reason.
  bool Add(size_t i, std::string& why) {
    if (listing_.FolderOf(i) != checkedFolder_) {
      checkedFolder_ = listing_.FolderOf(i);
      check_ = FolderNameCheck(listing_.FolderComponents(i));
    }
    const std::u16string name = listing_.Name(i);
    why = check_.Problem(name);
    if (!why.empty()) return false;
    Planned planned{static_cast<uint32_t>(i), 0, AskedToWrap(name, wrap_)};
    if (planned.asked) {
      // Its stored name depends on its content: an image's extension may go.
      std::vector<uint8_t> head;
      std::string error;
      if (!ReadFileHead(listing_.Path(i), Followed(i), head, error)) {
        why = "cannot read: " + error;
        return false;
      }
      std::vector<std::u16string> components = listing_.FolderComponents(i);
      components.push_back(name);
      // The size is not known yet; a wrap header is only recognised at copy time.
      const PackDecision d = PlanFile(components, wrap_, head.data(), head.size(), 0);
      if (!d.store) {
        why = d.note;
        return false;
      }
      planned.strip = static_cast<uint16_t>(FolderUnits(i) + name.size() - d.storedName.size());
    }
    planned_.push_back(planned);
    return true;
  }

  size_t Count() const override { return planned_.size(); }

  const NewEntry& At(size_t k) override {
    const Planned& p = planned_[k];
    const std::u16string name = listing_.Name(p.item);
    name_ = FolderPrefix(p.item);
    name_.append(name, 0, name.size() - p.strip);
    file_.path = listing_.Path(p.item);
    file_.display = listing_.Display(p.item);
    file_.followLink = Followed(p.item);
    file_.components.clear();
    if (p.asked) {
      // Planned again from the bytes as they are when copied.
      file_.wrap = NewFile::Wrap::kPlan;
      file_.components = listing_.FolderComponents(p.item);
      file_.components.push_back(name);
    } else {
      // Wrapped only when it begins with a header of its own, as PlanFile decides.
      file_.wrap = NewFile::Wrap::kOwnHeaderOnly;
    }
    entry_ = NewEntry{name_, nullptr, 0, &file_};
    return entry_;
  }

 private:
  struct Planned {
    uint32_t item;
    uint16_t strip;  // units cut from the end of the name (a wrapped image's extension)
    bool asked;      // named for --wrap
  };
  bool Followed(size_t i) const { return listing_.KindOf(i) == FolderListing::Kind::kFollowedFile; }
  // The stored name of item i's folder with its separator ("" for the root).
  const std::u16string& FolderPrefix(size_t i) {
    if (listing_.FolderOf(i) != prefixFolder_) {
      prefixFolder_ = listing_.FolderOf(i);
      prefix_.clear();
      for (const std::u16string& part : listing_.FolderComponents(i)) prefix_ += part + u'\\';
    }
    return prefix_;
  }
  size_t FolderUnits(size_t i) { return FolderPrefix(i).size(); }

  const FolderListing& listing_;
  const std::vector<std::string>& wrap_;
  std::vector<Planned> planned_;
  uint32_t checkedFolder_ = UINT32_MAX;
  FolderNameCheck check_;
  uint32_t prefixFolder_ = UINT32_MAX;
  std::u16string prefix_, name_;
  NewFile file_;
  NewEntry entry_;
};

int Run(const PackArguments& a) {
  if (a.output.size() != 1) throw UsageError("expects the package to make with -o PKG");
  const std::vector<std::string> wrapExtensions = WrapExtensions(a.wrap);
  const bool follow = a.follow;
  const bool verbose = a.verbose;
  const NativePath root = ToNativePath(a.Positionals()[0]);

  std::string error;
  OutputFile out;
  if (!out.Create(a.output[0], error)) {
    Report("pack", error);
    return kExitFailure;
  }
  // A package made earlier inside DIR, and the one being made, are not packed.
  std::vector<FileId> skip;
  if (!out.Target().empty()) skip.push_back(IdentifyFile(out.Target()));
  if (!out.Temporary().empty()) skip.push_back(IdentifyFile(out.Temporary()));
  FolderListing listing;
  if (!WalkFolder(root, follow, skip, listing, error)) {
    Report("pack", error);
    return kExitFailure;
  }

  PackList entries(listing, wrapExtensions);
  size_t leftOut = 0, links = 0;
  for (size_t i = 0; i < listing.Count(); ++i) {
    const std::string& problem = listing.Problem(i);
    std::string why;
    if (listing.KindOf(i) == FolderListing::Kind::kLink) {
      ++links;
      if (verbose) Report("pack", listing.Display(i) + ": " + problem);
    } else if (!problem.empty() || !entries.Add(i, why)) {
      ++leftOut;
      Report("pack", listing.Display(i) + ": " + (problem.empty() ? why : problem));
    }
  }
  if (links > 0 && !verbose) {
    Report("pack", std::to_string(links) + (links == 1 ? " symbolic link" : " symbolic links") +
                       " left out (-L follows them, -v names them)");
  }

  return CommitPackage(entries, wrapExtensions, out, "pack", leftOut);
}

}  // namespace

const Command kPackCommand = {
    "pack", "DIR", "make a package from a folder tree", Help, kOptions.Infos(), 1, 1, "expects one folder",
    RunWith(kOptions, Run),
};

}  // namespace rdbtool
