// update PKG -o NEW [--add DIR|FILE...] [--replace NAME=FILE...] [--remove GLOB...] [--wrap EXT]
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <unordered_map>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/CopyAhead.h"
#include "cli/IndexInPlace.h"
#include "cli/PackPlan.h"
#include "cli/PackageAssembly.h"
#include "cli/PackageFile.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "cli/WindowsName.h"
#include "cli/system/Console.h"
#include "cli/system/FolderWalk.h"
#include "cli/system/InputFile.h"
#include "cli/system/LargeBlock.h"
#include "cli/system/OutputFile.h"
#include "package/PackageWriter.h"
#include "rules/Glob.h"

namespace rdbtool {

namespace {

struct UpdateArguments : Arguments {
  std::vector<std::string> output;  // -o: exactly one
  std::vector<std::string> add;
  std::vector<std::string> replace;
  std::vector<std::string> remove;
  std::vector<std::string> wrap;
  bool verbose = false;
  bool force = false;
};

const OptionTable<UpdateArguments> kOptions = {
    {'o', nullptr, "NEW", &UpdateArguments::output, "the package to write; takes what pack's -o takes"},
    {0, "add", "DIR|FILE", &UpdateArguments::add,
     "the files below DIR, stored under their paths below DIR as pack stores them, or FILE under its own name. A "
     "file whose stored name is already in PKG (letter case and \"/\" or \"\\\" aside) replaces that entry in its "
     "place; so does a file named as extract wrote a wrapped entry (ui/ok.png for a wrapped PNG stored as ui\\ok). "
     "Other files go at the end, in name order"},
    {0, "replace", "NAME=FILE", &UpdateArguments::replace,
     "the entries named NAME (split at the first \"=\"; \"/\" or \"\\\", letter case aside) get the bytes of "
     "FILE, in their place"},
    {0, "remove", "GLOB", &UpdateArguments::remove,
     "leave out the entries whose names match GLOB (see 'rdbtool list --help')"},
    {0, "wrap", "EXT", &UpdateArguments::wrap, "as for pack, for the files added as new entries"},
    {'v', "verbose", &UpdateArguments::verbose, "name every entry removed, replaced and added"},
    {0, "force", &UpdateArguments::force,
     "with NEW the same file as PKG: replace it even when some entries cannot be copied whole (damaged entries, a "
     "file that cannot be read when it is copied); without it PKG is then left as it is"},
};

const char kHelpStart[] =
    "Usage: rdbtool update PKG -o NEW [--add DIR|FILE]... [--replace NAME=FILE]...\n"
    "                          [--remove GLOB]... [--wrap EXT[,EXT...]] [-v] [--force]\n"
    "Writes the package NEW: the entries of PKG in their order with their bytes unchanged,\n"
    "except for these changes. PKG itself is never changed in place; NEW may be PKG (the\n"
    "new package then replaces it once complete).\n"
    "\n";
const char kHelpEnd[] =
    "\n"
    "A replaced entry keeps its wrapping: a wrapped entry keeps its \"TGF\" header in front\n"
    "of the new bytes. Files are refused as pack refuses them (names extract would refuse,\n"
    "special files, links). A --replace name or --remove pattern that matches nothing is an\n"
    "error, and then nothing is written. Exit status 1 when some files or damaged entries\n"
    "were left out (reported), 2 when nothing was written (also when PKG itself was not\n"
    "replaced because it would have lost entries).\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines + kHelpEnd; }

// What happens to one entry of the old package; one byte each, as packages hold 100,000s.
enum class Change : uint8_t { kKeep, kRemove, kReplace };

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

// One run of update, step by step: the changes asked for are marked on the old entries
// (removals, replacements, then the files to add, each replacing the entry of its name or
// going at the end), then the new package's entries are laid out and written.
class Update {
 public:
  explicit Update(const UpdateArguments& a)
      : a_(a), verbose_(a.verbose), force_(a.force) {}

  int Run() {
    if (a_.output.size() != 1) throw UsageError("expects the package to write with -o NEW");
    wrap_ = WrapExtensions(a_.wrap);
    ReadChangeOptions();
    if (!OpenPackage(a_, "update", package_, false) || !CreateOutput()) return kExitFailure;
    StartCopyAhead();
    if (!ReadIndex()) return kExitFailure;
    changes_ = LargeArray<Change>(old_.Count());  // all kKeep
    MarkRemovals();
    MarkReplacements();
    for (const std::string& source : a_.add) AddSource(source);
    if (refused_) {
      Report("update", "nothing written");
      return kExitFailure;
    }
    if (links_ > 0 && !verbose_) {
      Report("update", std::to_string(links_) + (links_ == 1 ? " symbolic link" : " symbolic links") +
                           " left out (-v names them)");
    }
    LayOutEntries();
    if (replacesInput_ && !force_ && damagedKept_ > 0) {
      Report("update", a_.Positionals()[0] + ": not replaced: " + std::to_string(damagedKept_) +
                           (damagedKept_ == 1 ? " entry" : " entries") +
                           " it holds could not be copied whole (--force replaces it without them)");
      Report("update", "nothing written");
      return kExitFailure;
    }
    EntryVector list(entries_);
    return CommitPackage(list, wrap_, out_, "update", leftOut_, &package_.File(), replacesInput_ && !force_,
                         ahead_.get());
  }

 private:
  // --replace NAME=FILE and --remove GLOB, checked before anything is opened.
  void ReadChangeOptions() {
    for (const std::string& r : a_.replace) {
      const size_t eq = r.find('=');
      std::u16string name;
      if (eq == std::string::npos || eq == 0 || eq + 1 == r.size())
        throw UsageError("--replace expects NAME=FILE, not '" + r + "'");
      if (!Utf8ToUtf16(r.substr(0, eq), name)) throw UsageError("the name in '" + r + "' is not valid UTF-8");
      replacements_.emplace_back(name, r.substr(eq + 1));
    }
    for (const std::string& g : a_.remove) {
      std::u16string pattern;
      if (!Utf8ToUtf16(g, pattern)) throw UsageError("the pattern '" + g + "' is not valid UTF-8");
      removals_.push_back(pattern);
    }
  }

  // Replacing the entries of one name and nothing else, into a file: the data area is
  // copied as it lies while the index is read, and once the entry is found, what follows
  // it is copied behind where its new bytes will end (see CopyAhead). The new entry's
  // size is guessed from the file now; a wrong guess only costs the copy.
  void StartCopyAhead() {
    if (!a_.add.empty() || !removals_.empty() || replacements_.size() != 1 || !out_.TwoWriters()) return;
    InputFile in;
    std::string error;
    uint8_t head[kPackHeadSize];
    int64_t got = -1;
    if (!in.Open(ToNativePath(replacements_[0].second), error, true) || !in.Size(guessSize_, error) ||
        (got = in.Read(head, sizeof head, error)) < 0)
      return;
    guessBeginsWrapped_ = BeginsWithWrapHeader(head, static_cast<size_t>(got), guessSize_);
    const MappedFile& file = package_.File();
    const uint64_t dataStart = package_.DataStart();
    if (dataStart >= file.Size()) return;
    ahead_ = std::make_unique<CopyAhead>(out_, file);
    if (!ahead_->Add(dataStart, dataStart, file.Size() - dataStart)) ahead_.reset();
  }
  // The `hit`th entry named by --replace (old entry `hitIndex`), found on the walk: the
  // first copy ends at its bytes, the ones behind them go behind the new bytes, and the
  // index records before its own are copied as they are. A second one moves those again:
  // nothing more is copied ahead.
  void CopyAheadAround(size_t hit, size_t hitIndex, const RESENTRY& entry, bool whole) {
    if (hit > 1 || !whole) {
      ahead_->Cancel();
      return;
    }
    const MappedFile& file = package_.File();
    const uint64_t offset = static_cast<uint64_t>(entry.pData - file.Data());
    ahead_->EndFirstAt(offset);
    // The header the new bytes get, as MarkReplaced and the writer decide it.
    static const uint64_t kFreshHeader = sorv::pkg::PackageWriter::Wrap({}).size();
    const sorv::pkg::EntryContent content = package_.Content(entry);
    const uint64_t header = content.valid && content.wrapped ? static_cast<uint64_t>(content.data - entry.pData)
                            : guessBeginsWrapped_       ? kFreshHeader
                                                        : 0;
    const uint64_t oldEnd = offset + static_cast<uint64_t>(entry.nSize);
    ahead_->Add(oldEnd, offset + header + guessSize_, file.Size() - oldEnd);
    // The records before it stay as they are.
    const uint64_t record = old_.Records()[hitIndex];
    ahead_->Add(sorv::pkg::kHeaderSize, sorv::pkg::kHeaderSize, record - sorv::pkg::kHeaderSize);
  }

  bool ReadIndex() {
    try {
      // The names asked for are looked for on the one walk over the index.
      // So are the bounds of each entry's bytes, which say how the kept entries go in runs.
      removedHits_.resize(removals_.size());
      replacedHits_.resize(replacements_.size());
      const MappedFile& file = package_.File();
      uint64_t previousEnd = 0;  // where the last entry's bytes end, when it is whole
      const bool read = old_.Read(file, nullptr, [&](uint32_t i, const uint8_t* record, const uint8_t* fields) {
        if (i == 0) bounds_ = LargeArray<uint8_t>(old_.Count());
        const RESENTRY entry = sorv::pkg::RecordEntry(file.Data(), file.Size(), record, fields);
        const uint64_t offset = static_cast<uint64_t>(entry.pData - file.Data());
        const bool whole = entry.pData && entry.nSize >= 0 && static_cast<uint64_t>(entry.nSize) <= file.Size() - offset;
        bounds_[i] = whole ? (previousEnd == offset + 1 ? kWhole | kFollows : kWhole) : 0;
        previousEnd = whole ? offset + static_cast<uint64_t>(entry.nSize) + 1 : 0;
        // The bytes have no declared type; read as UTF-16 units, as IndexInPlace::Name does.
        const std::u16string_view name(reinterpret_cast<const char16_t*>(record),
                                       static_cast<size_t>(fields - record) / 2 - 1);
        for (size_t k = 0; k < removals_.size(); ++k)
          if (sorv::rules::GlobMatch(removals_[k], name)) removedHits_[k].push_back(i);
        for (size_t k = 0; k < replacements_.size(); ++k)
          if (NamesCollideOnWindows(replacements_[k].first, name)) {
            replacedHits_[k].push_back(i);
            if (ahead_) CopyAheadAround(replacedHits_[k].size(), i, entry, whole);
          }
      });
      if (read) return true;
      Report("update", a_.Positionals()[0] + ": " + PackageFile::kDamagedIndex);
    } catch (const std::bad_alloc&) {
      Report("update", a_.Positionals()[0] + ": out of memory while reading the index");
    }
    return false;
  }

  bool CreateOutput() {
    std::string error;
    if (!out_.Create(a_.output[0], error)) {
      Report("update", error);
      return false;
    }
    targetId_ = out_.Target().empty() ? FileId() : IdentifyFile(out_.Target());
    temporaryId_ = out_.Temporary().empty() ? FileId() : IdentifyFile(out_.Temporary());
    // -o naming the input: it is replaced only by a package that holds all it kept.
    replacesInput_ = targetId_.valid && targetId_ == IdentifyFile(ToNativePath(a_.Positionals()[0]));
    return true;
  }

  // A change that cannot be made: reported, and nothing is written.
  void Refuse(const std::string& text) {
    Report("update", text);
    refused_ = true;
  }
  void LeaveOut(const std::string& display, const std::string& why) {
    ++leftOut_;
    Report("update", display + ": " + why);
  }
  // Marks old entry `i`; `by` says who asked, for a clash with an earlier change.
  void Mark(size_t i, Change kind, const NewFile* file, const std::string& by) {
    if (changes_[i] == Change::kRemove && kind == Change::kRemove) return;  // patterns may overlap
    if (changes_[i] != Change::kKeep) {
      Refuse(NameInMessage(old_.Name(i)) + ": both " + changedBy_[i].second + " and " + by);
      return;
    }
    changes_[i] = kind;
    changedBy_[i] = {file, by};
  }
  // `file` as the replacement of old entry `i`: a wrapped entry keeps its own header.
  void MarkReplaced(size_t i, NewFile file, const std::string& by) {
    const RESENTRY entry = old_.Entry(i);
    const sorv::pkg::EntryContent content = package_.Content(entry);
    if (content.valid && content.wrapped) {
      file.wrap = NewFile::Wrap::kKeepHeader;
      file.header.assign(entry.pData, content.data);
    } else {
      file.wrap = NewFile::Wrap::kOwnHeaderOnly;
    }
    files_.push_back(std::make_unique<NewFile>(std::move(file)));
    Mark(i, Change::kReplace, files_.back().get(), by);
  }

  void MarkRemovals() {
    for (size_t k = 0; k < removals_.size(); ++k) {
      const std::string pattern = Utf16ToUtf8(removals_[k]);
      for (uint32_t i : removedHits_[k]) Mark(i, Change::kRemove, nullptr, "removed by --remove '" + pattern + "'");
      if (removedHits_[k].empty()) Refuse("--remove '" + pattern + "' matches no entry");
    }
  }

  void MarkReplacements() {
    for (size_t k = 0; k < replacements_.size(); ++k) {
      const auto& r = replacements_[k];
      NewFile file;
      file.path = ToNativePath(r.second);
      file.display = r.second;
      file.followLink = true;  // named on the command line
      InputFile in;
      uint64_t size = 0;
      std::string error;
      if (!in.Open(file.path, error, true) || !in.Size(size, error)) {
        Refuse(r.second + ": cannot read: " + error);
        continue;
      }
      for (uint32_t i : replacedHits_[k]) MarkReplaced(i, file, "replaced by --replace");
      if (replacedHits_[k].empty()) Refuse("--replace " + NameInMessage(r.first) + ": no such entry");
    }
  }

  // --add DIR|FILE: the files it names, each added in name order.
  void AddSource(const std::string& source) {
    if (oldByKey_.empty() && old_.Count() > 0) {
      oldByKey_.reserve(old_.Count());
      for (size_t i = old_.Count(); i-- > 0;) oldByKey_[WindowsNameKey(old_.Name(i))] = i;
    }
    std::vector<FoundFile> found;
    const NativePath native = ToNativePath(source);
    InputFile probe;
    uint64_t size = 0;
    std::string error;
    FolderListing listing;
    if (probe.Open(native, error, true) && probe.Size(size, error)) {
      std::u16string name;
      const bool nameOk = Utf8ToUtf16(BaseName(source), name);
      found.push_back(FoundFile{{name}, native, BaseName(source), nameOk ? "" : "the name is not valid UTF-8", false, true});
    } else if (!WalkFolder(native, false, {targetId_, temporaryId_}, listing, error)) {
      Refuse(error);
      return;
    }
    probe.Close();
    for (size_t i = 0; i < listing.Count(); ++i) found.push_back(listing.At(i));
    for (FoundFile& f : found) AddFile(f);
  }

  void AddFile(FoundFile& f) {
    if (f.link) {
      ++links_;
      if (verbose_) Report("update", f.display + ": " + f.problem);
      return;
    }
    if (!f.problem.empty()) {
      LeaveOut(f.display, f.problem);
      return;
    }
    // The package being made, under its name or its temporary one, is never added to
    // itself (it would grow while it is copied).
    if (f.path == out_.Temporary()) return;
    if (targetId_.valid || temporaryId_.valid) {
      const FileId id = IdentifyFile(f.path);
      if (id == targetId_ || id == temporaryId_) return;
    }
    std::vector<uint8_t> head;
    InputFile in;
    uint64_t size = 0;
    std::string error;
    if (!in.Open(f.path, error, f.followed) || !in.Size(size, error) || !ReadFileHead(f.path, f.followed, head, error)) {
      LeaveOut(f.display, "cannot read: " + error);
      return;
    }
    PackDecision d = PlanFile(f.components, wrap_, head.data(), head.size(), size);
    if (!d.store) {
      LeaveOut(f.display, d.note);
      return;
    }
    const std::u16string key = WindowsNameKey(d.storedName);
    const auto hit = OldEntryNamed(key, head);
    const auto added = addedKeys_.emplace(hit == oldByKey_.end() ? key : WindowsNameKey(old_.Name(hit->second)), f.display);
    if (!added.second) {
      LeaveOut(f.display, "the same entry as " + added.first->second + ", added before it");
      return;
    }
    NewFile file = FileToStore(f);
    if (hit != oldByKey_.end() && ReplaceAllNamed(hit->first, hit->second, file, f.display)) return;
    files_.push_back(std::make_unique<NewFile>(std::move(file)));
    appendedNames_.push_back(std::move(d.storedName));
    appended_.push_back(NewEntry{appendedNames_.back(), nullptr, 0, files_.back().get()});
  }

  // The old entry a file stored as `key` replaces: of that name, or a wrapped entry that
  // extract writes as that name (the name plus its image's extension).
  std::unordered_map<std::u16string, size_t>::const_iterator OldEntryNamed(const std::u16string& key,
                                                                           const std::vector<uint8_t>& head) const {
    auto hit = oldByKey_.find(key);
    if (hit != oldByKey_.end()) return hit;
    const ResChar* sniffed = sorv::pkg::SniffExtension(head.data(), head.size());
    const size_t extLength = std::char_traits<ResChar>::length(sniffed);
    if (extLength > 0 && key.size() > extLength &&
        key.compare(key.size() - extLength, extLength, WindowsNameKey(std::u16string(sniffed, sniffed + extLength))) == 0) {
      auto wrapped = oldByKey_.find(key.substr(0, key.size() - extLength));
      if (wrapped != oldByKey_.end() && package_.Content(old_.Entry(wrapped->second)).wrapped) return wrapped;
    }
    return oldByKey_.end();
  }

  // Marks every entry of name key `key` from `first` on as replaced by `file`, but for
  // removed ones (the file then becomes a new entry); false when there was none.
  bool ReplaceAllNamed(const std::u16string& key, size_t first, const NewFile& file, const std::string& display) {
    size_t replaced = 0;
    for (size_t i = first; i < old_.Count(); ++i) {
      if (WindowsNameKey(old_.Name(i)) != key || changes_[i] == Change::kRemove) continue;
      MarkReplaced(i, file, "replaced by --add " + display);
      ++replaced;
    }
    return replaced > 0;
  }

  // The new package's entries: the old ones in order (kept ones in runs), then the files
  // added at the end. Says what changed with -v.
  void LayOutEntries() {
    BufferedOutput said(out_.Target().empty() ? Stream::kErr : Stream::kOut);
    // Kept entries go in runs: those next to each other in the index whose bytes follow
    // each other too (all of them, in a package as pack writes it, but for the changes).
    size_t runFirst = 0;  // the old entry that starts entries_.back(), when it is a run
    for (size_t i = 0; i < old_.Count(); ++i) {
      if (changes_[i] == Change::kRemove) {
        if (verbose_) said.Append("removed " + NameInMessage(old_.Name(i)) + "\n");
      } else if (changes_[i] == Change::kReplace) {
        EndRun(runFirst);
        const NewFile* file = changedBy_[i].first;
        if (verbose_) said.Append("replaced " + NameInMessage(old_.Name(i)) + " from " + file->display + "\n");
        entries_.push_back(NewEntry{old_.Name(i), nullptr, 0, file});
      } else if (KeptWhole(i)) {
        Keep(i, runFirst);
        const size_t end = RunEnd(i + 1);
        entries_.back().keptCount += static_cast<uint32_t>(end - (i + 1));
        i = end - 1;
      }
    }
    EndRun(runFirst);
    for (NewEntry& e : appended_) {
      if (verbose_) said.Append("added " + NameInMessage(e.name) + " from " + e.file->display + "\n");
      entries_.push_back(std::move(e));
    }
    said.Flush();
  }
  // Whether old entry `i`'s bytes lie inside the file (as the walk found; the bytes
  // themselves are not looked at, nor paged in); if not it is left out.
  bool KeptWhole(size_t i) {
    if (bounds_[i] & kWhole) return true;
    ++leftOut_;
    ++damagedKept_;
    Report("update", NameInMessage(old_.Name(i)) + ": left out: " +
                         (old_.Entry(i).nSize < 0 ? "negative size in the index" : "its data lies outside the package file"));
    return false;
  }
  // Old entry `i` kept: it extends the run of entries_.back() (which starts at old entry
  // `runFirst`) when it follows it in the index and in the file, or starts a new run. A
  // run's size is known when it ends (EndRun): the entries in between are not looked at.
  void Keep(size_t i, size_t& runFirst) {
    if (!entries_.empty()) {
      NewEntry& run = entries_.back();
      if (run.keptCount && runFirst + run.keptCount == i && (bounds_[i] & kFollows)) {
        ++run.keptCount;
        return;
      }
    }
    EndRun(runFirst);
    runFirst = i;
    const RESENTRY entry = old_.Entry(i);
    entries_.push_back(NewEntry{{}, entry.pData, static_cast<uint64_t>(entry.nSize), nullptr, package_.File().Data(),
                                old_.Records() + i, 1, 0});
  }
  // The first entry from `i` on that does not simply go on with the run before it: one to
  // change, or one not right behind the entry before it. Eight at a time: a million
  // entries with a change or two are a few runs.
  size_t RunEnd(size_t i) const {
    static_assert(static_cast<int>(Change::kKeep) == 0, "kept entries are zero bytes");
    constexpr uint8_t kGoesOn = kWhole | kFollows;
    constexpr uint64_t kAllGoOn = 0x0101010101010101ull * kGoesOn;
    const size_t n = old_.Count();
    for (; i + 8 <= n; i += 8) {
      uint64_t changes = 0, bounds = 0;
      std::memcpy(&changes, changes_.Data() + i, 8);
      std::memcpy(&bounds, bounds_.Data() + i, 8);
      if (changes != 0 || bounds != kAllGoOn) break;
    }
    while (i < n && changes_[i] == Change::kKeep && bounds_[i] == kGoesOn) ++i;
    return i;
  }
  // The size of the run entries_.back() (from old entry `runFirst`), if it is one, from
  // where its last entry's bytes end.
  void EndRun(size_t runFirst) {
    if (entries_.empty() || !entries_.back().keptCount) return;
    NewEntry& run = entries_.back();
    const RESENTRY last = old_.Entry(runFirst + run.keptCount - 1);
    run.keptLastStart = static_cast<uint64_t>(last.pData - run.data);
    run.size = run.keptLastStart + static_cast<uint64_t>(last.nSize);
  }

  // How each old entry's bytes lie (bounds_), found on the walk over the index.
  static constexpr uint8_t kWhole = 1;    // inside the file
  static constexpr uint8_t kFollows = 2;  // whole, and right behind those of the entry before it, also whole

  const UpdateArguments& a_;
  const bool verbose_, force_;
  std::vector<std::string> wrap_;
  std::vector<std::pair<std::u16string, std::string>> replacements_;  // name, file
  std::vector<std::u16string> removals_;
  // The old entries each --remove pattern and each --replace name matches, in order.
  std::vector<std::vector<uint32_t>> removedHits_, replacedHits_;
  PackageFile package_;
  IndexInPlace old_;
  OutputFile out_;
  std::unique_ptr<CopyAhead> ahead_;  // goes before out_ and the package: it writes to one from the other
  uint64_t guessSize_ = 0;            // the --replace file's size when the copies ahead began
  bool guessBeginsWrapped_ = false;   // whether it began with a wrap header
  FileId targetId_, temporaryId_;
  bool replacesInput_ = false;
  // One byte per old entry each: a million of them are two huge pages.
  LargeArray<Change> changes_;
  LargeArray<uint8_t> bounds_;
  std::unordered_map<size_t, std::pair<const NewFile*, std::string>> changedBy_;  // the file, and who asked
  bool refused_ = false;
  std::vector<std::unique_ptr<NewFile>> files_;  // stable addresses for the entries
  std::unordered_map<std::u16string, size_t> oldByKey_;  // the first old entry of each name key (--add)
  std::unordered_map<std::u16string, std::string> addedKeys_;
  std::vector<NewEntry> appended_;
  std::deque<std::u16string> appendedNames_;  // the entries keep views of them
  std::vector<NewEntry> entries_;
  size_t leftOut_ = 0, links_ = 0, damagedKept_ = 0;
};

int Run(const UpdateArguments& a) { return Update(a).Run(); }

}  // namespace

const Command kUpdateCommand = {
    "update", "PKG", "write a new package with entries added, replaced or removed",
    Help, kOptions.Infos(), 1, 1, "expects one package", RunWith(kOptions, Run),
};

}  // namespace rdbtool
