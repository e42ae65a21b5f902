// The browser window's entry list: one record per index entry of the open package, the
// records the type filter lets through, and the count text of the status bar. The window
// only mirrors it into its tree; nothing here knows about windows.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
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

class EntryList {
 public:
  // Called once per record as a build or a filter walks the list (the window counts its
  // progress with it); false stops the walk before that record.
  using StepFn = std::function<bool()>;
  // Offered each record the filter lets through, in index order; false when it could not
  // be shown, which leaves it out of the listed records.
  using ShowFn = std::function<bool(RESITEM&)>;

  // One record per entry, in index order, with its names split from the stored name.
  // The entries are borrowed: they must outlive the records (until the next Build or Clear).
  // Nothing is listed until Filter runs. False when `step` stopped it: the records made
  // so far stay until the next Build or Clear.
  bool Build(const std::vector<RESENTRY>& entries, const StepFn& step = nullptr);
  // No records, nothing listed; the memory is given back.
  void Clear();

  // Lists the records that filter choice `filterIndex` (the combo box's selection, -1 for
  // none) lets through and `show` accepts, replacing what was listed. False when `step`
  // stopped it: the records walked until then are listed.
  bool Filter(int filterIndex, const ShowFn& show = nullptr, const StepFn& step = nullptr);
  // Nothing listed; the records stay.
  void Unlist();

  size_t Count() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  // Record `index` in index order; stays at its address until the next Build or Clear.
  RESITEM& Item(size_t index) const { return *records_[index]; }
  // The listed records in index order.
  const std::vector<RESITEM*>& Listed() const { return listed_; }
  // The filter choice of the last Filter.
  int FilterIndex() const { return filterIndex_; }
  // The status bar's text for the last Filter: all records and, under a narrowing choice,
  // the listed ones.
  std::u16string CountText() const;

 private:
  // One allocation per record, as records are large: no single block the size of the whole
  // list, and addresses that stay put.
  std::vector<std::unique_ptr<RESITEM>> records_;
  std::vector<RESITEM*> listed_;
  int filterIndex_ = 0;
};

// Fills szFName and szExt from SplitName and szName with their concatenation, each
// zero-terminated and cut to fit its field (szName keeps at most 259 units, so a long
// name loses the end of its extension in the display name). pEntry is left alone.
void FillItemNames(RESITEM& item, const std::u16string& storedName);

}  // namespace app
}  // namespace sorv
