// Every target of one export, decided before anything is written: each entry either gets
// a file of its own strictly inside the folder, or a refusal with its reason. Two entries
// that the file system would take for the same file never both get it (the first in index
// order does), and a name that needs a folder where an earlier entry writes a file, or the
// other way round, is refused too. The folders below the chosen one are numbered, so a
// writer makes and checks each of them once without keeping their paths.
//
// Memory is linear in the names' total length: a name is not copied; the plan keeps, per
// entry, a view of it, and per distinct folder or file one small record.
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

  // Plans the next entry, in index order: its stored name and the text its file name gets
  // appended (a wrapped image's extension, or empty). Both views must outlive the plan.
  void Add(std::u16string_view storedName, std::u16string_view appendExt);
  // Makes room for about `entries` entries at once: a plan of millions then never holds
  // its records twice while they grow.
  void Reserve(size_t entries);

  size_t Size() const { return entries_.size(); }
  ExportRefusal Refusal(size_t entry) const { return entries_[entry].refusal; }
  bool Allowed(size_t entry) const { return entries_[entry].refusal == ExportRefusal::kNone; }
  // For kDuplicate and kNameClash: the earlier entry that holds the name.
  size_t EarlierEntry(size_t entry) const { return entries_[entry].other; }
  size_t AllowedCount() const { return allowed_; }

  // The folder an allowed entry's file goes into: 0 is the chosen folder itself, others
  // are numbered from 1 in the order they were first needed.
  uint32_t Folder(size_t entry) const { return entries_[entry].folder; }
  uint32_t Parent(uint32_t folder) const { return nodes_[folders_[folder]].parent; }
  // Folder levels below the chosen folder (0 for the folder itself).
  uint32_t Depth(uint32_t folder) const { return folder == 0 ? 0 : nodes_[folders_[folder]].depth; }
  size_t FolderCount() const { return folders_.size(); }

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
    std::u16string_view name;
    std::u16string_view ext;
    uint32_t folder = 0;
    uint32_t other = 0;
    ExportRefusal refusal = ExportRefusal::kNone;
  };
  // One distinct folder or file below the chosen folder: the component [begin, begin +
  // length) of entry `entry`'s name (with that entry's extension when it is a file).
  struct Node {
    uint64_t hash;
    uint32_t parent;  // folder number
    uint32_t entry;
    uint32_t begin;
    uint32_t length;
    uint32_t depth;
    uint32_t folder;  // its folder number, for folders
    bool file;
  };

  ExportRefusal CheckName(const Entry& e) const;
  uint64_t Hash(uint32_t parent, std::u16string_view part, std::u16string_view ext);
  bool SameName(const Node& n, std::u16string_view part, std::u16string_view ext);
  // The node of `part` (+ `ext`) below folder `parent`, or -1; its slot in `slot`.
  int64_t Find(uint64_t hash, uint32_t parent, std::u16string_view part, std::u16string_view ext, size_t& slot);
  void Insert(size_t slot, const Node& node);
  void Grow();

  std::u16string folder_;
  ExportLimits limits_;
  FileNameFold fold_;
  char16_t separator_;
  std::vector<Entry> entries_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> slots_;     // open addressing: node index + 1, 0 empty
  std::vector<uint32_t> folders_;   // folder number -> node index (0: unused)
  size_t allowed_ = 0;
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
