#include "app/EntryList.h"

#include "rules/PathSplit.h"
#include "rules/TypeFilter.h"
#include "app/WideText.h"

namespace sorv {
namespace app {

namespace {

// Copies `text` into a zero-terminated field of N units, cut to N - 1 units.
template <class Ch, size_t N>
void CopyToField(Ch (&field)[N], const std::u16string& text) {
  const std::u16string cut = rules::CutToUnits(text, N - 1);
  for (size_t i = 0; i < cut.size(); ++i) field[i] = static_cast<Ch>(cut[i]);
  field[cut.size()] = Ch();
}

}  // namespace

bool EntryList::Build(const std::vector<RESENTRY>& entries, const StepFn& step) {
  Clear();
  records_.reserve(entries.size());
  for (const RESENTRY& entry : entries) {
    if (step && !step()) return false;
    std::unique_ptr<RESITEM> item(new RESITEM());
    // Borrowed for as long as the package stays open; nothing writes through it.
    item->pEntry = const_cast<RESENTRY*>(&entry);
    FillItemNames(*item, ToU16(entry.pszName));
    records_.push_back(std::move(item));
  }
  return true;
}

void EntryList::Clear() {
  Unlist();
  records_.clear();
  records_.shrink_to_fit();
}

void EntryList::Unlist() {
  listed_.clear();
  listed_.shrink_to_fit();
}

bool EntryList::Filter(int filterIndex, const ShowFn& show, const StepFn& step) {
  filterIndex_ = filterIndex;
  listed_.clear();
  // Every record when the choice lists all, so the whole list is known up front.
  if (rules::FilterPattern(filterIndex) == nullptr) listed_.reserve(records_.size());
  for (const std::unique_ptr<RESITEM>& item : records_) {
    if (step && !step()) return false;
    if (rules::IsListed(filterIndex, ToU16(item->szExt)) && (!show || show(*item))) listed_.push_back(item.get());
  }
  return true;
}

std::u16string EntryList::CountText() const { return rules::CountStatusText(filterIndex_, Count(), listed_.size()); }

void FillItemNames(RESITEM& item, const std::u16string& storedName) {
  const rules::NameParts parts = rules::SplitName(storedName);
  CopyToField(item.szFName, parts.fname);
  CopyToField(item.szExt, parts.ext);
  CopyToField(item.szName, parts.fname + parts.ext);
}

}  // namespace app
}  // namespace sorv
