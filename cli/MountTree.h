// The folder tree that mount shows: one or more packages merged as extract would write
// them one after another into one folder, a later package's file taking the place of an
// earlier one's, folders merging. Names and refusals come from the export plan, so the
// tree holds exactly the files extract writes (and the folders they need); a file is a
// range of one package's bytes.
//
// Built once, then only read (from any number of threads). Node 0 is the root folder.
// Memory per node: one 32-byte record, its UTF-8 name and one child slot; a folder's
// children are kept sorted by name, so a lookup is a binary search and needs no table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/ContentTypes.h"
#include "rules/ExportPath.h"

namespace rdbtool {

// One entry of one package as the tree gets it: 32 bytes, since a package may hold
// millions. The name is not copied: it must outlive Build.
struct MountEntry {
  const char16_t* name = nullptr;  // stored name (null: not planned at all)
  uint32_t nameLength = 0;
  uint8_t ext = 0;      // the content type whose extension the file name gets (row + 1), or 0
  bool valid = false;   // the data lies inside the package file
  bool negativeSize = false;  // not valid because the index gives a negative size
  uint64_t offset = 0;  // where the (unwrapped) content begins in the package file
  uint64_t size = 0;    // its length

  void SetName(std::u16string_view text) {
    name = text.data();
    nameLength = static_cast<uint32_t>(text.size());
  }
  std::u16string_view Name() const { return std::u16string_view(name, nameLength); }
  // The extension appended to the file name (a wrapped image's), or empty.
  std::u16string_view Extension() const;
  // The `ext` value for a content type (null: none).
  static uint8_t ExtensionCode(const sorv::pkg::ContentType* type) {
    return type ? static_cast<uint8_t>(type - sorv::pkg::kContentTypes + 1) : 0;
  }
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
    uint32_t subfolders;  // folder: how many of its children are folders
  };

  // Merges `layers` (later ones win). Entries that are not shown are added to `hidden`,
  // except an entry whose file a later package replaces, which is the point of layering.
  // A name with an unpaired surrogate is hidden; everything else follows the plan made
  // with the host's limits and name comparison. `pause`, when given, is called after
  // every few thousand names read (the caller may let go of the pages they came from).
  // Throws std::bad_alloc, and std::length_error when the nodes exceed 2^32.
  static MountTree Build(const std::vector<std::vector<MountEntry>>& layers, std::vector<HiddenEntry>& hidden,
                         const std::function<void()>& pause = nullptr);

  size_t NodeCount() const { return nodes_.size(); }
  const Node& At(uint32_t node) const { return nodes_[node]; }
  bool IsFolder(uint32_t node) const { return nodes_[node].layer == kFolder; }
  // The node's name; its view is followed by a zero byte (a C string).
  std::string_view Name(uint32_t node) const {
    const Node& n = nodes_[node];
    return std::string_view(names_.At(n.nameOffset), n.nameLength);
  }
  // The child of `folder` named `name` (UTF-8 bytes, compared exactly), or kNone.
  uint32_t Find(uint32_t folder, std::string_view name) const;
  // The children of `folder`, sorted by their names' bytes.
  const uint32_t* ChildrenBegin(uint32_t folder) const { return children_.data() + nodes_[folder].begin; }
  const uint32_t* ChildrenEnd(uint32_t folder) const { return ChildrenBegin(folder) + nodes_[folder].size; }
  // Folders directly inside `folder` (for its link count).
  uint32_t SubfolderCount(uint32_t folder) const { return nodes_[folder].subfolders; }
  size_t FileCount() const { return files_; }

 private:
  // Names one after another in blocks that are never moved or copied as the text grows;
  // a name never crosses a block's end, so an offset finds it with a shift and a mask.
  class NameText {
   public:
    static constexpr unsigned kBlockBits = 20;
    // Adds `name` and a zero byte; returns its offset. `name` is at most 64 KiB.
    uint32_t Add(std::string_view name);
    const char* At(uint32_t offset) const {
      return blocks_[offset >> kBlockBits].get() + (offset & ((1u << kBlockBits) - 1));
    }

   private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = size_t{1} << kBlockBits;  // in the last block
  };

  uint32_t AddNode(const Node& node);
  void Index();

  std::vector<Node> nodes_;
  NameText names_;
  std::vector<uint32_t> children_;
  size_t files_ = 0;
};

}  // namespace rdbtool
