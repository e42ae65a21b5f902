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
  const std::u16string cut = CutToUnits(text, N - 1);
  for (size_t i = 0; i < cut.size(); ++i) field[i] = static_cast<Ch>(cut[i]);
  field[cut.size()] = Ch();
}

}  // namespace

void EntryList::Build(const std::vector<RESENTRY>& entries, const StepFn& step) {
  Clear();
  m_records.reserve(entries.size());
  for (const RESENTRY& entry : entries) {
    if (step) step();
    std::unique_ptr<RESITEM> item(new RESITEM());
    // Borrowed for as long as the package stays open; nothing writes through it.
    item->pEntry = const_cast<RESENTRY*>(&entry);
    FillItemNames(*item, ToU16(entry.pszName));
    m_records.push_back(std::move(item));
  }
}

void EntryList::Clear() {
  Unlist();
  m_records.clear();
  m_records.shrink_to_fit();
}

void EntryList::Unlist() {
  m_listed.clear();
  m_listed.shrink_to_fit();
}

void EntryList::Filter(int filterIndex, const ShowFn& show, const StepFn& step) {
  m_filterIndex = filterIndex;
  m_listed.clear();
  // Every record when the choice lists all, so the whole list is known up front.
  if (FilterPattern(filterIndex) == nullptr) m_listed.reserve(m_records.size());
  for (const std::unique_ptr<RESITEM>& item : m_records) {
    if (step) step();
    if (IsListed(filterIndex, ToU16(item->szExt)) && (!show || show(*item))) m_listed.push_back(item.get());
  }
}

std::u16string EntryList::CountText() const { return CountStatusText(m_filterIndex, Count(), m_listed.size()); }

void FillItemNames(RESITEM& item, const std::u16string& storedName) {
  const NameParts parts = SplitName(storedName);
  CopyToField(item.szFName, parts.fname);
  CopyToField(item.szExt, parts.ext);
  CopyToField(item.szName, parts.fname + parts.ext);
}

}  // namespace app
}  // namespace sorv
