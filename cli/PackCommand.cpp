// pack DIR -o PKG [--wrap EXT[,EXT...]]
#include <algorithm>
#include <memory>

#include "Arguments.h"
#include "Commands.h"
#include "Console.h"
#include "FolderWalk.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "PackPlan.h"
#include "PackageFormat.h"
#include "PackageWriter.h"

namespace rdbtool {

namespace {

const char kHelp[] =
    "Usage: rdbtool pack DIR -o PKG [--wrap EXT[,EXT...]]\n"
    "Makes the package PKG from the files below DIR, in name order, stored under their\n"
    "paths below DIR with \"\\\" separators. 'rdbtool extract PKG' gives the same files back.\n"
    "Symbolic links, special files, names that extract would refuse and (on the host)\n"
    "names holding \"\\\" are left out and reported; empty folders are not stored.\n"
    "\n"
    "  -o PKG        the package to write (replaced when it exists)\n"
    "  --wrap EXT    store files whose name ends in .EXT behind a \"TGF\" header (repeatable,\n"
    "                or comma-separated). A file holding a recognised image loses that\n"
    "                image's extension from its stored name, which extract appends again:\n"
    "                with --wrap png, x.gft.png holding a PNG is stored as x.gft. A file\n"
    "                whose name does not end in its image's extension is stored unwrapped\n"
    "                with a warning. Files that begin with a \"TGF\" header themselves are\n"
    "                always wrapped once more, so extract does not strip it.\n"
    "\n"
    "Exit status 1 when some files were left out (the package holds the others).\n";

constexpr size_t kCopyBuffer = 1 << 20;
constexpr uint64_t kMaxOffset = 0xFFFFFFFFull;  // offsets and the data-area start are 32-bit

struct Planned {
  const FoundFile* file;
  PackDecision decision;
};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

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
      out.push_back(Lower(ext));
      start = comma + 1;
    }
  }
  return out;
}

// Reads the first bytes of a file for the wrap decision.
bool ReadHead(const NativePath& path, std::vector<uint8_t>& head, std::string& error) {
  InputFile in;
  if (!in.Open(path, error)) return false;
  head.resize(kPackHeadSize);
  const int64_t n = in.Read(head.data(), head.size(), error);
  if (n < 0) return false;
  head.resize(static_cast<size_t>(n));
  return true;
}

}  // namespace

int RunPack(const std::vector<std::string>& args) {
  Arguments a(args, {{"-o", true}, {"--wrap", true}});
  if (a.WantsHelp()) {
    PrintHelp(kHelp);
    return kExitOk;
  }
  if (a.Positionals().size() != 1) throw UsageError("expects one folder");
  if (a.Values("-o").size() != 1) throw UsageError("expects the package to make with -o PKG");
  const std::vector<std::string> wrapExtensions = WrapExtensions(a.Values("--wrap"));
  const NativePath root = ToNativePath(a.Positionals()[0]);
  const NativePath target = ToNativePath(a.Values("-o")[0]);

  std::vector<FoundFile> found;
  std::string error;
  if (!WalkFolder(root, found, error)) {
    Report("pack", error);
    return kExitFailure;
  }
  std::sort(found.begin(), found.end(),
            [](const FoundFile& x, const FoundFile& y) { return x.components < y.components; });

  // Plan every file: stored name and wrapping. A package made earlier inside DIR is not
  // packed into the new one.
  const FileId targetId = IdentifyFile(target);
  size_t leftOut = 0;
  auto leaveOut = [&](const FoundFile& f, const std::string& why) {
    ++leftOut;
    Report("pack", f.display + ": " + why);
  };
  std::vector<Planned> plan;
  for (const FoundFile& f : found) {
    if (!f.problem.empty()) {
      leaveOut(f, f.problem);
      continue;
    }
    if (targetId.valid && IdentifyFile(f.path) == targetId) continue;
    std::vector<uint8_t> head;
    const bool asked = AskedToWrap(f.components, wrapExtensions);
    if (asked && !ReadHead(f.path, head, error)) {
      leaveOut(f, "cannot read: " + error);
      continue;
    }
    // The size is not known yet; a wrap header is only recognised at copy time.
    PackDecision d = PlanFile(f.components, wrapExtensions, asked ? head.data() : nullptr, head.size(), 0);
    if (!d.store) {
      leaveOut(f, d.note);
      continue;
    }
    plan.push_back(Planned{&f, std::move(d)});
  }

  sorv::pkg::PackageWriter layout;
  for (const Planned& p : plan) layout.Add(p.decision.storedName, {});
  const uint64_t dataStart = layout.IndexEnd();
  if (plan.size() > 0xFFFFFFFFull || dataStart > kMaxOffset) {
    Report("pack", "too many files or names too long: the index would not fit the format's 32-bit fields");
    return kExitFailure;
  }

  OutputFile out;
  if (!out.Create(target, error)) {
    Report("pack", error);
    return kExitFailure;
  }
  const std::vector<uint8_t> wrapHeader = sorv::pkg::PackageWriter::Wrap({});
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kCopyBuffer]);
  sorv::pkg::PackageWriter index;
  index.SetDataBaseParts(static_cast<uint32_t>(dataStart), 0);
  uint64_t position = dataStart;
  for (const Planned& p : plan) {
    const FoundFile& f = *p.file;
    InputFile in;
    uint64_t size = 0;
    if (!in.Open(f.path, error) || !in.Size(size, error)) {
      leaveOut(f, "cannot read: " + error);
      continue;
    }
    int64_t n = in.Read(buffer.get(), kCopyBuffer, error);
    if (n < 0) {
      leaveOut(f, "cannot read: " + error);
      continue;
    }
    const PackDecision d = PlanFile(f.components, wrapExtensions, buffer.get(),
                                    std::min<size_t>(static_cast<size_t>(n), kPackHeadSize), size);
    if (!d.store || d.storedName != p.decision.storedName) {
      leaveOut(f, "changed while packing");
      continue;
    }
    if (position - dataStart > kMaxOffset) {
      Report("pack", "the files hold more than the format's 32-bit offsets can reach (4 GiB)");
      return kExitFailure;
    }
    const uint64_t entryStart = position;
    if (d.wrap) {
      if (!out.WriteAt(position, wrapHeader.data(), wrapHeader.size(), error)) {
        Report("pack", error);
        return kExitFailure;
      }
      position += wrapHeader.size();
    }
    uint64_t copied = 0;
    bool readOk = true;
    for (;;) {
      if (n > 0) {
        if (!out.WriteAt(position, buffer.get(), static_cast<size_t>(n), error)) {
          Report("pack", error);
          return kExitFailure;
        }
        position += static_cast<uint64_t>(n);
        copied += static_cast<uint64_t>(n);
      }
      if (static_cast<size_t>(n) < kCopyBuffer) break;
      n = in.Read(buffer.get(), kCopyBuffer, error);
      if (n < 0) {
        readOk = false;
        break;
      }
    }
    if (!readOk || copied != size) {
      // The wrap decision was made for the size the file had: drop what was copied.
      leaveOut(f, readOk ? "changed while packing" : "cannot read: " + error);
      position = entryStart;
      continue;
    }
    if (!d.note.empty()) Report("pack", "warning: " + f.display + ": " + d.note);
    const size_t i = index.Add(d.storedName, {});
    index.At(i).overrideOffset = true;
    index.At(i).offset = entryStart - dataStart;
    index.At(i).overrideSize = true;
    index.At(i).size = static_cast<int64_t>(position - entryStart);
  }

  // The index goes in front of the data; records of files left out while copying leave
  // unused zero bytes between the index and the data area.
  const std::vector<uint8_t> head = index.Build();
  if (!out.WriteAt(0, head.data(), head.size(), error) || !out.Commit(error)) {
    Report("pack", error);
    return kExitFailure;
  }
  return leftOut ? kExitPartial : kExitOk;
}

}  // namespace rdbtool
