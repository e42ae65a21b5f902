// update PKG -o NEW [--add DIR|FILE...] [--replace NAME=FILE...] [--remove GLOB...] [--wrap EXT]
#include <algorithm>
#include <deque>
#include <memory>
#include <new>
#include <unordered_map>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/FolderWalk.h"
#include "cli/IndexInPlace.h"
#include "rules/Glob.h"
#include "cli/InputFile.h"
#include "cli/OutputFile.h"
#include "cli/PackPlan.h"
#include "cli/PackageAssembly.h"
#include "cli/PackageFile.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "cli/WindowsName.h"

namespace rdbtool {

namespace {

const char kHelp[] =
    "Usage: rdbtool update PKG -o NEW [--add DIR|FILE]... [--replace NAME=FILE]...\n"
    "                          [--remove GLOB]... [--wrap EXT[,EXT...]] [-v]\n"
    "Writes the package NEW: the entries of PKG in their order with their bytes unchanged,\n"
    "except for these changes. PKG itself is never changed in place; NEW may be PKG (the\n"
    "new package then replaces it once complete). -o takes what pack's -o takes.\n"
    "\n"
    "  --add DIR|FILE      the files below DIR, stored under their paths below DIR as pack\n"
    "                      stores them, or FILE under its own name. A file whose stored\n"
    "                      name is already in PKG (letter case and \"/\" or \"\\\" aside)\n"
    "                      replaces that entry in its place; so does a file named as\n"
    "                      extract wrote a wrapped entry (ui/ok.png for a wrapped PNG\n"
    "                      stored as ui\\ok). Other files go at the end, in name order\n"
    "  --replace NAME=FILE the entries named NAME (split at the first \"=\"; \"/\" or \"\\\",\n"
    "                      letter case aside) get the bytes of FILE, in their place\n"
    "  --remove GLOB       leave out the entries whose names match GLOB (see 'rdbtool list\n"
    "                      --help')\n"
    "  --wrap EXT          as for pack, for the files added as new entries\n"
    "  -v, --verbose       name every entry removed, replaced and added\n"
    "  --force             with NEW the same file as PKG: replace it even when some\n"
    "                      entries cannot be copied whole (damaged entries, a file that\n"
    "                      cannot be read when it is copied); without it PKG is then left\n"
    "                      as it is\n"
    "\n"
    "A replaced entry keeps its wrapping: a wrapped entry keeps its \"TGF\" header in front\n"
    "of the new bytes. Files are refused as pack refuses them (names extract would refuse,\n"
    "special files, links). A --replace name or --remove pattern that matches nothing is an\n"
    "error, and then nothing is written. Exit status 1 when some files or damaged entries\n"
    "were left out (reported), 2 when nothing was written (also when PKG itself was not\n"
    "replaced because it would have lost entries).\n";

// What happens to one entry of the old package; one byte each, as packages hold 100,000s.
enum class Change : uint8_t { kKeep, kRemove, kReplace };

std::string Shown(std::u16string_view name) { return NameInMessage(name); }

// The last part of a path as given.
std::string BaseName(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
  size_t start = end;
  while (start > 0 && path[start - 1] != '/'
#if defined(_WIN32)
         && path[start - 1] != '\\' && path[start - 1] != ':'
#endif
  )
    --start;
  return path.substr(start, end - start);
}

int Run(const Arguments& a) {
  if (a.Values("-o").size() != 1) throw UsageError("expects the package to write with -o NEW");
  const std::vector<std::string> wrapExtensions = WrapExtensions(a.Values("--wrap"));
  const bool verbose = a.Has("-v") || a.Has("--verbose");
  std::vector<std::pair<std::u16string, std::string>> replacements;
  for (const std::string& r : a.Values("--replace")) {
    const size_t eq = r.find('=');
    std::u16string name;
    if (eq == std::string::npos || eq == 0 || eq + 1 == r.size()) throw UsageError("--replace expects NAME=FILE, not '" + r + "'");
    if (!Utf8ToUtf16(r.substr(0, eq), name)) throw UsageError("the name in '" + r + "' is not valid UTF-8");
    replacements.emplace_back(name, r.substr(eq + 1));
  }
  std::vector<std::u16string> removals;
  for (const std::string& g : a.Values("--remove")) {
    std::u16string pattern;
    if (!Utf8ToUtf16(g, pattern)) throw UsageError("the pattern '" + g + "' is not valid UTF-8");
    removals.push_back(pattern);
  }

  PackageFile package;
  if (!OpenPackage(a, "update", package, false)) return kExitFailure;
  IndexInPlace old;
  try {
    if (!old.Read(package.File().Data(), package.File().Size())) {
      Report("update", a.Positionals()[0] + ": " + PackageFile::kDamagedIndex);
      return kExitFailure;
    }
  } catch (const std::bad_alloc&) {
    Report("update", a.Positionals()[0] + ": out of memory while reading the index");
    return kExitFailure;
  }
  std::string error;
  OutputFile out;
  if (!out.Create(a.Values("-o")[0], error)) {
    Report("update", error);
    return kExitFailure;
  }
  const FileId targetId = out.Target().empty() ? FileId() : IdentifyFile(out.Target());
  const FileId temporaryId = out.Temporary().empty() ? FileId() : IdentifyFile(out.Temporary());
  // -o naming the input: it is replaced only by a package that holds all it kept.
  const bool replacesInput = targetId.valid && targetId == IdentifyFile(ToNativePath(a.Positionals()[0]));
  const bool force = a.Has("--force");
  std::vector<Change> changes(old.Count(), Change::kKeep);
  std::unordered_map<size_t, std::pair<const NewFile*, std::string>> changedBy;  // the file, and who asked
  bool refused = false;  // a change that cannot be made: nothing is written
  auto refuse = [&](const std::string& text) {
    Report("update", text);
    refused = true;
  };
  auto change = [&](size_t i, Change kind, const NewFile* file, const std::string& by) {
    if (changes[i] == Change::kRemove && kind == Change::kRemove) return;  // patterns may overlap
    if (changes[i] != Change::kKeep) {
      refuse(Shown(old.Name(i)) + ": both " + changedBy[i].second + " and " + by);
      return;
    }
    changes[i] = kind;
    changedBy[i] = {file, by};
  };
  // The header a replacement keeps: the wrapped entry's own.
  auto replacementOf = [&](size_t i, NewFile file) {
    const RESENTRY entry = old.Entry(i);
    const sorv::pkg::EntryContent content = package.Content(entry);
    if (content.valid && content.wrapped) {
      file.wrap = NewFile::Wrap::kKeepHeader;
      file.header.assign(entry.pData, content.data);
    } else {
      file.wrap = NewFile::Wrap::kOwnHeaderOnly;
    }
    return file;
  };
  std::vector<std::unique_ptr<NewFile>> files;  // stable addresses for the entries

  for (const std::u16string& pattern : removals) {
    bool any = false;
    for (size_t i = 0; i < old.Count(); ++i) {
      if (!sorv::rules::GlobMatch(pattern, old.Name(i))) continue;
      any = true;
      change(i, Change::kRemove, nullptr, "removed by --remove '" + Utf16ToUtf8(pattern) + "'");
    }
    if (!any) refuse("--remove '" + Utf16ToUtf8(pattern) + "' matches no entry");
  }
  for (const auto& r : replacements) {
    NewFile file;
    file.path = ToNativePath(r.second);
    file.display = r.second;
    InputFile in;
    uint64_t size = 0;
    if (!in.Open(file.path, error, true) || !in.Size(size, error)) {
      refuse(r.second + ": cannot read: " + error);
      continue;
    }
    bool any = false;
    for (size_t i = 0; i < old.Count(); ++i) {
      if (!NamesCollideOnWindows(r.first, old.Name(i))) continue;
      any = true;
      files.push_back(std::make_unique<NewFile>(replacementOf(i, file)));
      files.back()->followLink = true;  // named on the command line
      change(i, Change::kReplace, files.back().get(), "replaced by --replace");
    }
    if (!any) refuse("--replace " + Shown(r.first) + ": no such entry");
  }

  // Files to add: each replaces the entry of its name, or goes at the end.
  std::unordered_map<std::u16string, size_t> oldByKey;
  if (a.Has("--add")) {
    oldByKey.reserve(old.Count());
    for (size_t i = old.Count(); i-- > 0;) oldByKey[WindowsNameKey(old.Name(i))] = i;
  }
  std::unordered_map<std::u16string, std::string> addedKeys;
  std::vector<NewEntry> appended;
  std::deque<std::u16string> appendedNames;  // the entries keep views of them
  size_t leftOut = 0, links = 0, damagedKept = 0;
  auto leaveOut = [&](const std::string& display, const std::string& why) {
    ++leftOut;
    Report("update", display + ": " + why);
  };
  for (const std::string& source : a.Values("--add")) {
    std::vector<FoundFile> found;
    const NativePath native = ToNativePath(source);
    InputFile probe;
    uint64_t size = 0;
    FolderListing listing;
    if (probe.Open(native, error, true) && probe.Size(size, error)) {
      std::u16string name;
      const bool nameOk = Utf8ToUtf16(BaseName(source), name);
      found.push_back(FoundFile{{name}, native, BaseName(source), nameOk ? "" : "the name is not valid UTF-8", false, true});
    } else if (!WalkFolder(native, false, {targetId, temporaryId}, listing, error)) {
      refuse(error);
      continue;
    }
    probe.Close();
    for (size_t i = 0; i < listing.Count(); ++i) found.push_back(listing.At(i));
    for (FoundFile& f : found) {
      if (f.link) {
        ++links;
        if (verbose) Report("update", f.display + ": " + f.problem);
        continue;
      }
      if (!f.problem.empty()) {
        leaveOut(f.display, f.problem);
        continue;
      }
      // The package being made, under its name or its temporary one, is never added to
      // itself (it would grow while it is copied).
      if (f.path == out.Temporary()) continue;
      if (targetId.valid || temporaryId.valid) {
        const FileId id = IdentifyFile(f.path);
        if (id == targetId || id == temporaryId) continue;
      }
      std::vector<uint8_t> head;
      InputFile in;
      if (!in.Open(f.path, error, f.followed) || !in.Size(size, error) || !ReadFileHead(f.path, f.followed, head, error)) {
        leaveOut(f.display, "cannot read: " + error);
        continue;
      }
      PackDecision d = PlanFile(f.components, wrapExtensions, head.data(), head.size(), size);
      if (!d.store) {
        leaveOut(f.display, d.note);
        continue;
      }
      NewFile file = FileToStore(f);
      const std::u16string key = WindowsNameKey(d.storedName);
      auto hit = oldByKey.find(key);
      if (hit == oldByKey.end()) {
        // Named as extract writes a wrapped entry: the name plus its image's extension.
        const ResChar* sniffed = sorv::pkg::SniffExtension(head.data(), head.size());
        const size_t extLength = std::char_traits<ResChar>::length(sniffed);
        if (extLength > 0 && key.size() > extLength &&
            key.compare(key.size() - extLength, extLength, WindowsNameKey(std::u16string(sniffed, sniffed + extLength))) == 0) {
          auto wrapped = oldByKey.find(key.substr(0, key.size() - extLength));
          if (wrapped != oldByKey.end() && package.Content(old.Entry(wrapped->second)).wrapped) hit = wrapped;
        }
      }
      const auto added = addedKeys.emplace(hit == oldByKey.end() ? key : WindowsNameKey(old.Name(hit->second)), f.display);
      if (!added.second) {
        leaveOut(f.display, "the same entry as " + added.first->second + ", added before it");
        continue;
      }
      if (hit != oldByKey.end()) {
        size_t replaced = 0;
        for (size_t i = hit->second; i < old.Count(); ++i) {
          if (WindowsNameKey(old.Name(i)) != hit->first) continue;
          if (changes[i] == Change::kRemove) continue;  // removed: the file becomes a new entry
          files.push_back(std::make_unique<NewFile>(replacementOf(i, file)));
          change(i, Change::kReplace, files.back().get(), "replaced by --add " + f.display);
          ++replaced;
        }
        if (replaced > 0) continue;
      }
      files.push_back(std::make_unique<NewFile>(std::move(file)));
      appendedNames.push_back(std::move(d.storedName));
      appended.push_back(NewEntry{appendedNames.back(), nullptr, 0, files.back().get()});
    }
  }
  if (refused) {
    Report("update", "nothing written");
    return kExitFailure;
  }
  if (links > 0 && !verbose) {
    Report("update", std::to_string(links) + (links == 1 ? " symbolic link" : " symbolic links") +
                         " left out (-v names them)");
  }

  std::vector<NewEntry> entries;
  BufferedOutput said(out.Target().empty() ? Stream::kErr : Stream::kOut);
  // Kept entries go in runs: those next to each other in the index whose bytes follow
  // each other too (all of them, in a package as pack writes it, but for the changes).
  size_t runFirst = 0;  // the old entry that starts entries.back(), when it is a run
  for (size_t i = 0; i < old.Count(); ++i) {
    if (changes[i] == Change::kRemove) {
      if (verbose) said.Append("removed " + Shown(old.Name(i)) + "\n");
      continue;
    }
    if (changes[i] == Change::kReplace) {
      const NewFile* file = changedBy[i].first;
      const std::u16string_view name = old.Name(i);
      if (verbose) said.Append("replaced " + Shown(name) + " from " + file->display + "\n");
      entries.push_back(NewEntry{name, nullptr, 0, file});
      continue;
    }
    // Bounds only: the bytes themselves are not looked at (nor paged in) here.
    const RESENTRY entry = old.Entry(i);
    const uint64_t offset = static_cast<uint64_t>(entry.pData - package.File().Data());
    const bool inside = entry.nSize >= 0 && entry.pData >= package.File().Data() &&
                        offset <= package.File().Size() &&
                        static_cast<uint64_t>(entry.nSize) <= package.File().Size() - offset;
    if (!inside) {
      ++leftOut;
      ++damagedKept;
      Report("update", Shown(old.Name(i)) + ": left out: " +
                           (entry.nSize < 0 ? "negative size in the index" : "its data lies outside the package file"));
      continue;
    }
    const uint64_t size = static_cast<uint64_t>(entry.nSize);
    if (!entries.empty()) {
      NewEntry& run = entries.back();
      if (run.keptCount && runFirst + run.keptCount == i && run.data + run.size == entry.pData) {
        run.keptLastStart = run.size;
        run.size += size;
        ++run.keptCount;
        continue;
      }
    }
    runFirst = i;
    entries.push_back(NewEntry{{}, entry.pData, size, nullptr, package.File().Data(), old.Records() + i, 1, 0});
  }
  for (NewEntry& e : appended) {
    if (verbose) said.Append("added " + Shown(e.name) + " from " + e.file->display + "\n");
    entries.push_back(std::move(e));
  }
  said.Flush();
  if (replacesInput && !force && damagedKept > 0) {
    Report("update", a.Positionals()[0] + ": not replaced: " + std::to_string(damagedKept) +
                         (damagedKept == 1 ? " entry" : " entries") +
                         " it holds could not be copied whole (--force replaces it without them)");
    Report("update", "nothing written");
    return kExitFailure;
  }

  EntryVector list(entries);
  return CommitPackage(list, wrapExtensions, out, "update", leftOut, &package.File(), replacesInput && !force);
}

}  // namespace

const Command kUpdateCommand = {
    "update", "PKG", "write a new package with entries added, replaced or removed",
    [] { return std::string(kHelp); },
    {{"-o", true}, {"--add", true}, {"--replace", true}, {"--remove", true}, {"--wrap", true}, {"-v", false},
     {"--verbose", false}, {"--force", false}},
    1, 1, "expects one package", Run,
};

}  // namespace rdbtool
