#include "app/EntryList.h"

#include <algorithm>

#include "app/WideText.h"
#include "platform/TextRules.h"
#include "rules/PathSplit.h"
#include "rules/TypeFilter.h"

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

// Where the last part of a stored name begins (after its last separator, or after a
// drive's ":"), and where the name ends, as the path splitter sees them.
struct LastPart {
  size_t begin = 0;
  size_t end = 0;
};

LastPart FindLastPart(const ResChar* name) {
  LastPart part;
  if (name[0] && name[1] == RES_TEXT(':')) part.begin = 2;
  size_t i = 0;
  for (; name[i]; ++i)
    if (IsSeparator(static_cast<char16_t>(name[i])) && i + 1 > part.begin) part.begin = i + 1;
  part.end = i;
  return part;
}

}  // namespace

void EntryList::Build(const std::vector<RESENTRY>& entries) {
  Clear();
  entries_ = &entries;
}

void EntryList::Clear() {
  Unlist();
  records_.clear();
  records_.rehash(0);
  entries_ = nullptr;
}

void EntryList::Unlist() { listed_.Clear(); }

void ListedIndexes::Clear() {
  chosen_ = false;
  count_ = 0;
  indexes_.clear();
  indexes_.shrink_to_fit();
}

void ListedIndexes::Add(uint32_t index) {
  if (!chosen_ && index == count_) {
    ++count_;
    return;
  }
  Choose();
  indexes_.push_back(index);
}

void ListedIndexes::Choose() {
  if (chosen_) return;
  indexes_.reserve(count_);
  for (size_t i = 0; i < count_; ++i) indexes_.push_back(static_cast<uint32_t>(i));
  chosen_ = true;
}

size_t ListedIndexes::PositionOf(size_t index) const {
  if (!chosen_) return index < count_ ? index : npos;
  const auto found = std::lower_bound(indexes_.begin(), indexes_.end(), index);
  return found != indexes_.end() && *found == index ? static_cast<size_t>(found - indexes_.begin()) : npos;
}

std::vector<uint32_t> ListedIndexes::ToVector() const {
  if (chosen_) return indexes_;
  std::vector<uint32_t> all(count_);
  for (size_t i = 0; i < count_; ++i) all[i] = static_cast<uint32_t>(i);
  return all;
}

RESITEM& EntryList::Item(size_t index) const {
  std::unique_ptr<RESITEM>& record = records_[static_cast<uint32_t>(index)];
  if (!record) {
    record.reset(new RESITEM());
    // Borrowed for as long as the package stays open; nothing writes through it.
    record->pEntry = const_cast<RESENTRY*>(&Entry(index));
    FillItemNames(*record, ToU16(record->pEntry->pszName));
  }
  return *record;
}

bool EntryList::Filter(int filterIndex, const ShowFn& show, const StepFn& step) {
  filterIndex_ = filterIndex;
  listed_.Clear();
  const size_t count = Count();
  const bool all = rules::FilterPattern(filterIndex) == nullptr;
  // A narrowing choice lists some: their indexes are kept from the start.
  if (!all) listed_.Choose();
  for (size_t i = 0; i < count; ++i) {
    if (step && !step()) return false;
    if (!all && !rules::IsListed(filterIndex, NameExtension(Entry(i).pszName))) continue;
    if (!show || show(static_cast<uint32_t>(i))) listed_.Add(static_cast<uint32_t>(i));
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

std::wstring DisplayName(const ResChar* storedName) {
  if (!storedName) return std::wstring();
  const LastPart part = FindLastPart(storedName);
  // Neither part of a name this short is cut: the record would hold it as it is.
  if (part.end - part.begin < rules::kSplitRoom) return std::wstring(storedName + part.begin, storedName + part.end);
  RESITEM item;
  FillItemNames(item, ToU16(storedName));
  return item.szName;
}

std::u16string_view NameExtension(const ResChar* storedName) {
  if (!storedName) return std::u16string_view();
  const LastPart part = FindLastPart(storedName);
  for (size_t i = part.end; i > part.begin; --i)
    if (storedName[i - 1] == RES_TEXT('.'))
      return std::u16string_view(reinterpret_cast<const char16_t*>(storedName + i - 1), part.end - i + 1);
  return std::u16string_view();
}

}  // namespace app
}  // namespace sorv
