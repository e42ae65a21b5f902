// Writing a package from planned entries: pack's files, and update's entries kept from the
// old package (copied straight from its mapping) beside new files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/system/FolderWalk.h"
#include "cli/system/NativePath.h"

namespace rdbtool {

class CopyAhead;
class MappedFile;
class OutputFile;

// A file to be stored, and how its bytes are wrapped.
struct NewFile {
  enum class Wrap {
    kPlan,           // as pack decides (PlanFile over `components` and --wrap), checked again when copied
    kKeepHeader,     // behind `header`: the header of the wrapped entry it replaces
    kOwnHeaderOnly,  // plain, unless it begins with a header of its own (then wrapped once more)
  };
  NativePath path;
  std::string display;
  bool followLink = false;  // the path is a symbolic link to follow (pack -L)
  Wrap wrap = Wrap::kPlan;
  std::vector<std::u16string> components;
  std::vector<uint8_t> header;
};

// A found file to store as pack decides (Wrap::kPlan).
NewFile FileToStore(const FoundFile& found);

struct NewEntry {
  std::u16string_view name;  // kept alive by the caller (the old package's view, or its own list)
  const uint8_t* data = nullptr;  // bytes stored unchanged (an entry of the old package)...
  uint64_t size = 0;
  const NewFile* file = nullptr;  // ...or the bytes of a file
  // Or, with `keptCount` > 0 (and `name` unused), a run of entries of the old package whose
  // records follow each other in its index and whose bytes follow each other in its file,
  // from `data` for `size` bytes: their records are written as the old index holds them,
  // with the offsets moved. Packages hold 100,000s of entries, and a change touches few:
  // the rest stay a handful of runs.
  const uint8_t* keptView = nullptr;      // the old package's bytes
  const uint64_t* keptRecords = nullptr;  // where in them each record starts; [keptCount]: where the last ends
  uint32_t keptCount = 0;
  uint64_t keptLastStart = 0;  // where the last entry's bytes start, from `data`
};

// The entries of a new package, in order, as the writer asks for them: each one's name and
// the file it refers to stay valid until the next call. Pack makes its million entries
// one at a time from its folder listing; update hands over a vector.
class EntryList {
 public:
  virtual ~EntryList() = default;
  virtual size_t Count() const = 0;
  virtual const NewEntry& At(size_t i) = 0;
};

class EntryVector : public EntryList {
 public:
  explicit EntryVector(const std::vector<NewEntry>& entries) : entries_(entries) {}
  size_t Count() const override { return entries_.size(); }
  const NewEntry& At(size_t i) override { return entries_[i]; }

 private:
  const std::vector<NewEntry>& entries_;
};

struct AssemblyResult {
  bool ok = false;      // false: a failure stopped the package (reported)
  size_t leftOut = 0;   // entries not stored (each reported)
};

// Writes `entries` in order to `out`; the caller commits it (after closing a package that
// the entries' bytes come from, which may be the very file being replaced). Kept entries
// whose bytes lie in `kept` are copied by the system from that file where it can. Files that cannot be read, or that
// changed while being copied, are left out and reported (on a stream, where the index is
// already written, the entry keeps its place and size, filled with zeros). `command`
// names the subcommand in reports; a progress bar is drawn when standard error is a
// terminal.
// With `ahead`, copies of `kept`'s bytes it made are not made again (see CopyAhead).
AssemblyResult WriteNewPackage(EntryList& entries, const std::vector<std::string>& wrapExtensions, OutputFile& out,
                               const char* command, const MappedFile* kept = nullptr, CopyAhead* ahead = nullptr);

// The extensions of --wrap values ("png", ".PNG,gif"): lower-case, without dot. Throws
// UsageError for an empty or dotted one.
std::vector<std::string> WrapExtensions(const std::vector<std::string>& values);

// The first bytes of a file, for the wrap decision.
bool ReadFileHead(const NativePath& path, bool followLink, std::vector<uint8_t>& head, std::string& error);

}  // namespace rdbtool
