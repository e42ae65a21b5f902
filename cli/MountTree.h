// The folder tree that mount shows: one or more packages merged as extract would write
// them one after another into one folder, a later package's file taking the place of an
// earlier one's, folders merging. Names and refusals come from the export plan, so the
// tree holds exactly the files extract writes (and the folders they need); a file is a
// range of one package's bytes.
//
// Built once, then only read (from any number of threads). Node 0 is the root folder.
// Memory per node: one record, its UTF-8 name, a child slot and a hash slot.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/ExportPath.h"

namespace rdbtool {

// One entry of one package as the tree gets it.
struct MountEntry {
  std::u16string_view name;  // stored name; must outlive Build
  std::u16string_view ext;   // appended to the file name (a wrapped image's), or empty
  bool valid = false;        // the data lies inside the package file
  uint64_t offset = 0;       // where the (unwrapped) content begins in the package file
  uint64_t size = 0;         // its length
};

// An entry the tree does not show, and why.
struct HiddenEntry {
  enum Why {
    kRefused,           // the export plan refused its name: `refusal`
    kInvalid,           // its data lies outside the package (or its size is negative)
    kUnpairedSurrogate, // no host file name can carry its name
  } why = kRefused;
  uint32_t layer = 0;   // which package (in the order given)
  size_t entry = 0;     // which of its entries
  sorv::rules::ExportRefusal refusal = sorv::rules::ExportRefusal::kNone;
  uint32_t earlierLayer = 0;  // for duplicates and name clashes: who holds the name
  size_t earlierEntry = 0;
};

class MountTree {
 public:
  static constexpr uint32_t kRoot = 0;
  static constexpr uint16_t kFolder = 0xFFFF;
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  struct Node {
    uint64_t begin;       // file: offset in its package; folder: first index into the children
    uint64_t size;        // file: length; folder: number of children
    uint32_t parent;
    uint32_t nameOffset;  // into the name text
    uint16_t nameLength;
    uint16_t layer;       // the package a file comes from, kFolder for folders
  };

  // Merges `layers` (later ones win). Entries that are not shown are added to `hidden`,
  // except an entry whose file a later package replaces, which is the point of layering.
  // A name with an unpaired surrogate is hidden; everything else follows the plan made
  // with the host's limits and name comparison. Throws std::bad_alloc, and std::length_error
  // when the names exceed 4 GiB or the nodes 2^32.
  static MountTree Build(const std::vector<std::vector<MountEntry>>& layers, std::vector<HiddenEntry>& hidden);

  size_t NodeCount() const { return nodes_.size(); }
  const Node& At(uint32_t node) const { return nodes_[node]; }
  bool IsFolder(uint32_t node) const { return nodes_[node].layer == kFolder; }
  // The node's name; its view is followed by a zero byte (a C string).
  std::string_view Name(uint32_t node) const {
    return std::string_view(names_.data() + nodes_[node].nameOffset, nodes_[node].nameLength);
  }
  // The child of `folder` named `name` (UTF-8 bytes, compared exactly), or kNone.
  uint32_t Find(uint32_t folder, std::string_view name) const;
  // The children of `folder`, in no particular order.
  const uint32_t* ChildrenBegin(uint32_t folder) const { return children_.data() + nodes_[folder].begin; }
  const uint32_t* ChildrenEnd(uint32_t folder) const { return ChildrenBegin(folder) + nodes_[folder].size; }
  // Folders directly inside `folder` (for its link count).
  uint32_t SubfolderCount(uint32_t folder) const { return subfolders_[FolderIndex(folder)]; }
  size_t FileCount() const { return files_; }

 private:
  uint32_t FolderIndex(uint32_t folder) const { return folder; }  // folders come first
  static uint64_t Hash(uint32_t parent, std::string_view name);
  void Index();

  std::vector<Node> nodes_;       // folders first (root at 0), then files
  std::string names_;
  std::vector<uint32_t> children_;
  std::vector<uint32_t> subfolders_;  // per folder
  std::vector<uint32_t> slots_;   // open addressing: node + 1, 0 empty; power-of-two size
  size_t files_ = 0;
};

}  // namespace rdbtool
