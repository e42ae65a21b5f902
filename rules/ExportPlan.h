// Every target of one export, decided before anything is written: each entry either gets
// a file of its own strictly inside the folder, or a refusal with its reason. Two entries
// that the file system would take for the same file never both get it (the first in index
// order does), and a name that needs a folder where an earlier entry writes a file, or the
// other way round, is refused too. The folders below the chosen one are numbered, so a
// writer makes and checks each of them once without keeping their paths.
//
// Memory per entry is small and fixed: a name is not copied (the plan keeps where it is and
// its length, 24 bytes in all per entry), distinct files are found through one hash table
// of 8-byte slots that names them by entry, and only folders get a record of their own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/ExportPath.h"

namespace sorv {
namespace rules {

// How long a target may be where it is written.
struct ExportLimits {
  size_t maxPath = 0;       // the whole target path, folder included
  size_t maxComponent = 0;  // one folder or file name
  // Measured in UTF-8 bytes (host file names, which cannot hold an unpaired surrogate: such
  // a name is refused) or in UTF-16 units.
  bool utf8 = false;
};
// 32,767 UTF-16 units for a path, 255 for a name.
ExportLimits WindowsExportLimits();
// PATH_MAX (4096 bytes, terminator included) for the path, NAME_MAX (255 bytes) for a name.
ExportLimits HostExportLimits();

// Maps `count` UTF-16 units in place to the units under which the file system files them:
// one unit to one unit, so that two names are the same file exactly when their mapped
// units are equal. Null: names are compared exactly.
using FileNameFold = void (*)(char16_t* units, size_t count);

class ExportPlan {
 public:
  // `folder`: the chosen folder as written into paths (a missing final separator is
  // added; may be empty for a writer that works relative to an open folder).
  ExportPlan(std::u16string_view folder, ExportLimits limits, FileNameFold fold, char16_t separator = u'\\');

  // Room for `entries` entries in all, so that planning them grows nothing.
  void Reserve(size_t entries);

  // Plans the next entry, in index order: its stored name and the text its file name gets
  // appended (a wrapped image's extension, or empty). Both views must outlive the plan;
  // the appended texts are expected to come from a small set (at most 65,535 distinct).
  void Add(std::u16string_view storedName, std::u16string_view appendExt);

  // A hint that `storedName` (+ `appendExt`) is added soon: the slot its file would take
  // when it is in the last entry's folder is fetched meanwhile (the table of a million
  // entries is far larger than the cache).
  void Prefetch(std::u16string_view storedName, std::u16string_view appendExt);

  size_t Size() const { return entries_.size(); }
  ExportRefusal Refusal(size_t entry) const { return entries_[entry].refusal; }
  bool Allowed(size_t entry) const { return entries_[entry].refusal == ExportRefusal::kNone; }
  // For kDuplicate and kNameClash: the earlier entry that holds the name.
  size_t EarlierEntry(size_t entry) const { return Allowed(entry) ? 0 : entries_[entry].link; }
  size_t AllowedCount() const { return allowed_; }

  // The folder an allowed entry's file goes into: 0 is the chosen folder itself, others
  // are numbered from 1 in the order they were first needed.
  uint32_t Folder(size_t entry) const { return Allowed(entry) ? entries_[entry].link : 0; }
  uint32_t Parent(uint32_t folder) const { return folders_[folder].parent; }
  // Folder levels below the chosen folder (0 for the folder itself).
  uint32_t Depth(uint32_t folder) const { return folders_[folder].depth; }
  size_t FolderCount() const { return folders_.size(); }
  // The folder's own name, as the first entry that needed it spells it (empty for 0).
  std::u16string_view FolderName(uint32_t folder) const;
  // The allowed entry's file name without and with nothing appended: its name's last part,
  // and the appended text.
  std::u16string_view FileName(size_t entry) const;
  std::u16string_view Appended(size_t entry) const { return exts_[entries_[entry].ext]; }

  // The allowed entry's target path: folder, the name's parts joined by the separator, the
  // appended text. Its folder of depth d ends at the d-th separator after FolderText().
  std::u16string TargetPath(size_t entry) const;
  // The allowed entry's components in order, the last with the appended text.
  std::vector<std::u16string> Components(size_t entry) const;
  const std::u16string& FolderText() const { return folder_; }
  FileNameFold Fold() const { return fold_; }
  char16_t Separator() const { return separator_; }

 private:
  struct Entry {
    const char16_t* name;
    uint32_t length;     // of the name; a name beyond this is refused as too long
    uint32_t link;       // allowed: its folder; refused as taken: the earlier entry
    uint16_t ext;        // its appended text in exts_
    uint16_t fileBegin;  // where its name's last part begins (allowed entries)
    ExportRefusal refusal;
    std::u16string_view Name() const { return std::u16string_view(name, length); }
  };
  // A folder below the chosen one: the part [begin, begin + length) of entry `entry`'s name.
  struct FolderNode {
    uint32_t parent;
    uint32_t entry;
    uint32_t begin;
    uint32_t length;
    uint32_t depth;
  };
  // A slot of the table of distinct names below their folders: the name's hash, and the
  // entry whose file it is or the folder (kFolderBit), plus one; 0 when empty.
  struct Slot {
    uint32_t hash;
    uint32_t ref;
  };
  static constexpr uint32_t kFolderBit = 0x80000000u;

  // `known`: a leading part of the name (up to a separator) already judged good.
  ExportRefusal CheckName(std::u16string_view name, std::u16string_view ext, size_t known) const;
  uint32_t Hash(uint32_t parent, std::u16string_view part, std::u16string_view ext);
  // The folder or file slot named `part` (+ `ext`) below folder `parent`; an empty slot
  // where it would go when there is none.
  size_t Find(uint32_t hash, uint32_t parent, std::u16string_view part, std::u16string_view ext);
  bool SameName(uint32_t ref, uint32_t parent, std::u16string_view part, std::u16string_view ext);
  void Insert(size_t slot, uint32_t hash, uint32_t ref);
  void Grow(size_t slots);
  uint16_t ExtensionIndex(std::u16string_view ext);

  std::u16string folder_;
  ExportLimits limits_;
  FileNameFold fold_;
  char16_t separator_;
  std::vector<Entry> entries_;
  std::vector<FolderNode> folders_;  // by folder number; 0, the chosen folder, unused
  std::vector<Slot> slots_;          // open addressing, a power of two, at most half full
  size_t used_ = 0;
  std::vector<std::u16string_view> exts_;  // the distinct appended texts; 0 is empty
  size_t allowed_ = 0;
  // The folders of the last allowed entry, up to its last separator: entries of one folder
  // usually follow each other, and a name that begins with exactly these units is in that
  // folder without hashing or judging them again.
  std::u16string_view lastFolderText_;
  uint32_t lastFolder_ = 0, lastDepth_ = 0;
  std::u16string scratchA_, scratchB_;  // folded texts, reused
};

// The file system's own rule for names below the chosen folder on this platform: the
// system's case mapping on Windows, exact comparison elsewhere.
FileNameFold PlatformFileNameFold();
// The rule of a case-blind file system: letters compared through an upper-case table, as
// Windows compares them (FAT, exFAT, NTFS, SMB shares, case-folding folders).
FileNameFold CaseBlindFileNameFold();

}  // namespace rules
}  // namespace sorv
