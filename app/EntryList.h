// The browser window's entry list: the open package's entries, the ones the type filter
// lets through, and the count text of the status bar. Nothing is made per entry when a
// package opens: the filter reads each stored name where it lies, an item's text is made
// from the name as the item goes into the tree, and an entry's record is made the first
// time it is asked for (the selected entry's, for the preview and the save). The window only mirrors the
// list into its tree; nothing here knows about windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "package/ResEntry.h"

// The window's record of one entry: the names it shows and filters by.
struct RESITEM {
  wchar_t szName[260];   // file name and extension: the tree item's text
  wchar_t szFName[260];  // file-name part without directory and extension
  wchar_t szExt[256];    // extension with its dot, or empty
  RESENTRY* pEntry;      // borrowed from the reader
};

namespace sorv {
namespace app {

// The indexes of the listed entries, in index order. When every entry is listed only their
// count is kept: a million entries cost nothing here.
class ListedIndexes {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  size_t size() const { return chosen_ ? indexes_.size() : count_; }
  bool empty() const { return size() == 0; }
  uint32_t operator[](size_t position) const {
    return chosen_ ? indexes_[position] : static_cast<uint32_t>(position);
  }
  // Where entry `index` stands among the listed ones, or npos when it is not listed.
  size_t PositionOf(size_t index) const;
  std::vector<uint32_t> ToVector() const;

  class Iterator {
   public:
    Iterator(const ListedIndexes* list, size_t position) : list_(list), position_(position) {}
    uint32_t operator*() const { return (*list_)[position_]; }
    Iterator& operator++() {
      ++position_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return position_ != other.position_; }

   private:
    const ListedIndexes* list_;
    size_t position_;
  };
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, size()); }

 private:
  friend class EntryList;
  void Clear();
  // Lists `index`, the next entry of a walk in index order.
  void Add(uint32_t index);
  // The rest of the walk may skip entries: the indexes are written out.
  void Choose();

  bool chosen_ = false;
  size_t count_ = 0;  // when not chosen: entries 0 to count_ - 1 are listed
  std::vector<uint32_t> indexes_;
};

class EntryList {
 public:
  // Called once per entry as a filter walks the list (the window counts its progress with
  // it); false stops the walk before that entry.
  using StepFn = std::function<bool()>;
  // Offered the index of each entry the filter lets through, in index order; false when it
  // could not be shown, which leaves it out of the listed entries.
  using ShowFn = std::function<bool(uint32_t)>;

  // The entries of an open package, borrowed: they must outlive the list (until the next
  // Build or Clear). Nothing is listed until Filter runs.
  void Build(const std::vector<RESENTRY>& entries);
  // No entries, no records, nothing listed; the memory is given back.
  void Clear();

  // Lists the entries that filter choice `filterIndex` (the combo box's selection, -1 for
  // none) lets through and `show` accepts, replacing what was listed. False when `step`
  // stopped it: the entries walked until then are listed.
  bool Filter(int filterIndex, const ShowFn& show = nullptr, const StepFn& step = nullptr);
  // Nothing listed; the entries and records stay.
  void Unlist();

  size_t Count() const { return entries_ ? entries_->size() : 0; }
  bool Empty() const { return Count() == 0; }
  // Entry `index` in index order, as the reader has it.
  const RESENTRY& Entry(size_t index) const { return (*entries_)[index]; }
  // The record of entry `index`, made on the first call; it stays at its address until
  // the next Build or Clear.
  RESITEM& Item(size_t index) const;
  // How many records were made since the last Build or Clear.
  size_t RecordCount() const { return records_.size(); }
  // The indexes of the listed entries, in index order.
  const ListedIndexes& Listed() const { return listed_; }
  // The filter choice of the last Filter.
  int FilterIndex() const { return filterIndex_; }
  // The status bar's text for the last Filter: all entries and, under a narrowing choice,
  // the listed ones.
  std::u16string CountText() const;

 private:
  const std::vector<RESENTRY>* entries_ = nullptr;
  // Few: only the entries that were selected or asked for. One allocation each, so their
  // addresses stay put.
  mutable std::unordered_map<uint32_t, std::unique_ptr<RESITEM>> records_;
  ListedIndexes listed_;
  int filterIndex_ = 0;
};

// Fills szFName and szExt from SplitName and szName with their concatenation, each
// zero-terminated and cut to fit its field (szName keeps at most 259 units, so a long
// name loses the end of its extension in the display name). pEntry is left alone.
void FillItemNames(RESITEM& item, const std::u16string& storedName);

// The text a record's szName holds for `storedName` (the tree item's text), made without
// a record: the last part of the name as it is when it is short, as FillItemNames cuts it
// otherwise. Empty for a null name.
std::wstring DisplayName(const ResChar* storedName);

// The extension that szExt holds for `storedName`, before any cut (a cut one matches no
// filter either): from the last "." of the last part on, or empty. Points into the name.
std::u16string_view NameExtension(const ResChar* storedName);

}  // namespace app
}  // namespace sorv
