// pack DIR -o PKG [--wrap EXT[,EXT...]] [-L] [-v]
#include <algorithm>
#include <memory>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/FolderWalk.h"
#include "cli/InputFile.h"
#include "cli/OutputFile.h"
#include "cli/PackPlan.h"
#include "package/PackageFormat.h"
#include "cli/PackageAssembly.h"
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

int Run(const PackArguments& a) {
  if (a.output.size() != 1) throw UsageError("expects the package to make with -o PKG");
  const std::vector<std::string> wrapExtensions = WrapExtensions(a.wrap);
  const bool follow = a.follow;
  const bool verbose = a.verbose;
  const NativePath root = ToNativePath(a.Positionals()[0]);

  std::vector<FoundFile> found;
  std::string error;
  if (!WalkFolder(root, follow, found, error)) {
    Report("pack", error);
    return kExitFailure;
  }
  std::sort(found.begin(), found.end(),
            [](const FoundFile& x, const FoundFile& y) { return x.components < y.components; });
  OutputFile out;
  if (!out.Create(a.output[0], error)) {
    Report("pack", error);
    return kExitFailure;
  }

  // Plan every file: stored name and wrapping. A package made earlier inside DIR is not
  // packed into the new one.
  const FileId targetId = out.Target().empty() ? FileId() : IdentifyFile(out.Target());
  size_t leftOut = 0, links = 0;
  auto leaveOut = [&](const FoundFile& f, const std::string& why) {
    ++leftOut;
    Report("pack", f.display + ": " + why);
  };
  std::vector<NewFile> files;
  std::vector<std::u16string> names;  // reserved: the entries keep views of them
  std::vector<NewEntry> entries;
  files.reserve(found.size());
  names.reserve(found.size());
  for (const FoundFile& f : found) {
    if (f.link) {
      ++links;
      if (verbose) Report("pack", f.display + ": " + f.problem);
      continue;
    }
    if (!f.problem.empty()) {
      leaveOut(f, f.problem);
      continue;
    }
    if (targetId.valid && IdentifyFile(f.path) == targetId) continue;
    std::vector<uint8_t> head;
    const bool asked = AskedToWrap(f.components, wrapExtensions);
    if (asked && !ReadFileHead(f.path, f.followed, head, error)) {
      leaveOut(f, "cannot read: " + error);
      continue;
    }
    // The size is not known yet; a wrap header is only recognised at copy time.
    PackDecision d = PlanFile(f.components, wrapExtensions, asked ? head.data() : nullptr, head.size(), 0);
    if (!d.store) {
      leaveOut(f, d.note);
      continue;
    }
    files.push_back(FileToStore(f));
    names.push_back(std::move(d.storedName));
    entries.push_back(NewEntry{names.back(), nullptr, 0, nullptr});
  }
  for (size_t i = 0; i < entries.size(); ++i) entries[i].file = &files[i];
  if (links > 0 && !verbose) {
    Report("pack", std::to_string(links) + (links == 1 ? " symbolic link" : " symbolic links") +
                       " left out (-L follows them, -v names them)");
  }

  return CommitPackage(entries, wrapExtensions, out, "pack", leftOut);
}

}  // namespace

const Command kPackCommand = {
    "pack", "DIR", "make a package from a folder tree", Help, kOptions.Specs(), 1, 1, "expects one folder",
    RunWith(kOptions, Run),
};

}  // namespace rdbtool
