// The folder view's model: the folders of the listed entries' stored names ("\" and "/"
// alike), each with the folders and entries directly inside it. Built in one pass over the
// listed entries that keeps nothing per entry: packages keep a folder's entries together,
// so the entries are kept as runs of listed positions in one folder. A folder's entries
// are gathered and sorted only when first asked for, so a view that shows the top level
// costs one pass and no sort. Nothing here knows about windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/EntryList.h"

namespace sorv {
namespace app {

class FolderTree {
 public:
  // The order of two display texts (negative, 0, positive), as the view sorts names.
  using CompareFn = int (*)(const wchar_t*, const wchar_t*);
  static constexpr uint32_t kRoot = 0;

  explicit FolderTree(CompareFn compare) : compare_(compare) {}

  // Replaces the tree by the folders of the entries `list` lists (the list must stay as it
  // is until the next Build or Clear). Entries without a folder sit in the root.
  void Build(const EntryList& list);
  void Clear();

  size_t FolderCount() const { return folders_.size(); }
  // A folder's own name (the root's is empty) and its path as its first entry stores it.
  const std::wstring& Name(uint32_t folder) const { return folders_[folder].name; }
  std::wstring Path(uint32_t folder) const;
  uint32_t Parent(uint32_t folder) const { return folders_[folder].parent; }
  // The folders inside `folder`, sorted by name (sorted on the first call).
  const std::vector<uint32_t>& Folders(uint32_t folder);
  // The positions in the list's listed entries of the entries directly inside `folder`,
  // sorted by their display text, entries of one text in listed order (sorted on the first
  // call).
  const std::vector<uint32_t>& Files(uint32_t folder);
  // The folder that holds listed entry `position`.
  uint32_t FolderOf(uint32_t position) const;
  // The tree item text of listed entry `position`: its file name, as the flat list shows it.
  std::wstring FileText(uint32_t position) const;

  // The indexes of the listed entries below `folder`, at any depth, in index order.
  std::vector<uint32_t> EntriesBelow(uint32_t folder) const;

  // Listed positions in the order a fully opened tree shows them (folders first, then
  // files, each sorted); made on first call, kept until the next Build.
  const std::vector<uint32_t>& DisplayOrder();
  // Where listed entry `position`, and the first entry below `folder`, stand in it
  // (a folder's entries follow each other there).
  size_t DisplayIndexOf(uint32_t position);
  size_t DisplayBegin(uint32_t folder);

 private:
  struct Folder {
    std::wstring name;
    uint32_t parent;
    std::vector<uint32_t> folders;
    std::vector<uint32_t> files;  // gathered from its runs when first asked for
    std::vector<uint32_t> runs;   // its runs (indexes into runs_) until then
    // The stored name of the entry that made the folder, and how much of it is the path.
    const ResChar* pathName;
    size_t pathLength;
    size_t displayBegin;
    bool sorted;
  };
  void AddToRun(uint32_t position, uint32_t folder);
  uint32_t ChildFolder(uint32_t parent, const ResChar* name, size_t begin, size_t end);
  void SortChildren(uint32_t folder);
  void AddToDisplay(uint32_t folder);
  size_t RunEnd(size_t run) const { return run + 1 < runs_.size() ? runs_[run + 1].begin : positions_; }

  CompareFn compare_;
  const EntryList* list_ = nullptr;
  std::vector<Folder> folders_;
  // Listed positions from `begin` up to the next run's begin (or the end) are in `folder`.
  struct Run {
    uint32_t begin;
    uint32_t folder;
  };
  std::vector<Run> runs_;
  size_t positions_ = 0;
  std::vector<uint32_t> display_;
  std::vector<uint32_t> displayIndex_;
};

}  // namespace app
}  // namespace sorv
