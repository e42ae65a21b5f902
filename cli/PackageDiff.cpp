#include "cli/PackageDiff.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace rdbtool {

namespace {

// Stored names are zero-terminated inside the view (the index reader made sure of it), so
// they are hashed and compared without knowing their lengths first.
const char16_t* Units(const RESENTRY& entry) { return reinterpret_cast<const char16_t*>(entry.pszName); }

inline char16_t Separator(char16_t c) { return c == u'\\' ? u'/' : c; }

uint64_t HashName(const char16_t* p) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (; *p; ++p) h = (h ^ Separator(*p)) * 0x100000001b3ull;
  return h ^ (h >> 29);
}

bool SameName(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    if (Separator(*a) != Separator(*b)) return false;
    if (!*a) return true;
  }
}

// Every distinct name of both packages: how often each package stores it and which of the
// old package's entries of that name is to be paired next.
class NameTable {
 public:
  struct Name {
    uint32_t hash;
    uint32_t firstOld = kNoEntry;
    uint32_t firstNew = kNoEntry;
    uint32_t nextOld = kNoEntry;  // the next old entry of this name not yet paired
    uint32_t lastOld = kNoEntry;  // the last old entry of this name seen
    uint32_t oldCount = 0;
    uint32_t newCount = 0;
    bool chosen = false;          // an entry of this name is chosen
  };

  NameTable(const std::vector<RESENTRY>& olds, const std::vector<RESENTRY>& news) : olds_(olds), news_(news) {
    const size_t most = olds.size() + news.size();
    size_t capacity = 16;
    while (capacity < 2 * most) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    names_.reserve(most);
  }

  // The record for `entry`'s name, made when the name is new.
  Name& Find(const RESENTRY& entry) {
    const char16_t* units = Units(entry);
    const uint64_t full = HashName(units);
    const uint32_t hash = static_cast<uint32_t>(full);
    const size_t mask = slots_.size() - 1;
    for (size_t i = static_cast<size_t>(full >> 32) & mask;; i = (i + 1) & mask) {
      const uint32_t at = slots_[i];
      if (at == kEmpty) {
        slots_[i] = static_cast<uint32_t>(names_.size());
        names_.push_back(Name());
        names_.back().hash = hash;
        return names_.back();
      }
      Name& name = names_[at];
      if (name.hash != hash) continue;
      // A name already here was first seen in the old package, or only in the new one.
      const RESENTRY& first = name.firstOld != kNoEntry ? olds_[name.firstOld] : news_[name.firstNew];
      if (SameName(Units(first), units)) return name;
    }
  }

  std::vector<Name>& Names() { return names_; }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  std::vector<uint32_t> slots_;
  std::vector<Name> names_;
  const std::vector<RESENTRY>& olds_;
  const std::vector<RESENTRY>& news_;
};

bool Chosen(const DiffSide& side, size_t i) { return !side.chosen || (*side.chosen)[i]; }

const uint8_t* DataOf(const RESENTRY& entry) { return entry.pData; }

bool SameBytes(const RESENTRY& a, const RESENTRY& b) {
  return a.nSize == b.nSize && (a.nSize == 0 || std::memcmp(DataOf(a), DataOf(b), static_cast<size_t>(a.nSize)) == 0);
}

uint64_t ContentKey(const RESENTRY& entry) {
  const std::string_view bytes(reinterpret_cast<const char*>(entry.pData), static_cast<size_t>(entry.nSize));
  return std::hash<std::string_view>()(bytes) * 31 + static_cast<uint64_t>(entry.nSize);
}

// Turns added entries into renamed ones where a removed entry has the same bytes; marks
// those removed entries as taken.
void FindRenames(const DiffSide& oldSide, const DiffSide& newSide, std::vector<Difference>& found,
                 const std::vector<uint32_t>& removed, std::vector<bool>& taken) {
  const std::vector<RESENTRY>& olds = *oldSide.entries;
  const std::vector<RESENTRY>& news = *newSide.entries;
  // Only sizes found on both sides are worth reading.
  std::unordered_map<int64_t, int> sizes;
  for (uint32_t i : removed)
    if (olds[i].nSize > 0 && DataInside(oldSide, olds[i])) sizes[olds[i].nSize] |= 1;
  if (sizes.empty()) return;
  for (const Difference& d : found)
    if (d.kind == Difference::kAdded && news[d.newEntry].nSize > 0 && DataInside(newSide, news[d.newEntry])) {
      auto it = sizes.find(news[d.newEntry].nSize);
      if (it != sizes.end()) it->second |= 2;
    }
  std::unordered_map<uint64_t, std::vector<uint32_t>> byContent;  // removed entries, in the old order
  for (uint32_t i : removed) {
    const RESENTRY& e = olds[i];
    if (e.nSize <= 0 || !DataInside(oldSide, e)) continue;
    auto it = sizes.find(e.nSize);
    if (it != sizes.end() && it->second == 3) byContent[ContentKey(e)].push_back(i);
  }
  for (Difference& d : found) {
    if (d.kind != Difference::kAdded) continue;
    const RESENTRY& e = news[d.newEntry];
    if (e.nSize <= 0 || !DataInside(newSide, e)) continue;
    auto sized = sizes.find(e.nSize);
    if (sized == sizes.end() || sized->second != 3) continue;
    auto it = byContent.find(ContentKey(e));
    if (it == byContent.end()) continue;
    for (uint32_t i : it->second) {
      if (taken[i] || !SameBytes(olds[i], e)) continue;
      taken[i] = true;
      d.kind = Difference::kRenamed;
      d.oldEntry = i;
      break;
    }
  }
}

}  // namespace

bool DataInside(const DiffSide& side, const RESENTRY& entry) {
  if (!entry.pData || entry.nSize < 0 || entry.pData < side.view) return false;
  const uint64_t start = static_cast<uint64_t>(entry.pData - side.view);
  return start <= side.viewSize && static_cast<uint64_t>(entry.nSize) <= side.viewSize - start;
}

DiffResult DiffPackages(const DiffSide& oldSide, const DiffSide& newSide, bool renames) {
  const std::vector<RESENTRY>& olds = *oldSide.entries;
  const std::vector<RESENTRY>& news = *newSide.entries;
  DiffResult result;
  NameTable table(olds, news);

  // The old entries of each name, chained in order.
  std::vector<uint32_t> laterOld(olds.size(), kNoEntry);
  for (uint32_t i = 0; i < olds.size(); ++i) {
    NameTable::Name& name = table.Find(olds[i]);
    if (name.firstOld == kNoEntry) name.firstOld = name.nextOld = i;
    else laterOld[name.lastOld] = i;
    name.lastOld = i;
    ++name.oldCount;
    name.chosen = name.chosen || Chosen(oldSide, i);
  }

  std::vector<bool> paired(olds.size(), false);
  for (uint32_t j = 0; j < news.size(); ++j) {
    NameTable::Name& name = table.Find(news[j]);
    if (name.firstNew == kNoEntry) name.firstNew = j;
    ++name.newCount;
    name.chosen = name.chosen || Chosen(newSide, j);
    const uint32_t i = name.nextOld;
    if (i == kNoEntry) {
      if (Chosen(newSide, j)) result.differences.push_back({Difference::kAdded, kNoEntry, j});
      continue;
    }
    name.nextOld = laterOld[i];
    paired[i] = true;
    if (!Chosen(oldSide, i) && !Chosen(newSide, j)) continue;
    if (!DataInside(oldSide, olds[i]) || !DataInside(newSide, news[j])) {
      ++result.unreadablePairs;
    } else if (!SameBytes(olds[i], news[j])) {
      result.differences.push_back({Difference::kModified, i, j});
    }
  }

  std::vector<uint32_t> removed;
  for (uint32_t i = 0; i < olds.size(); ++i)
    if (!paired[i] && Chosen(oldSide, i)) removed.push_back(i);
  std::vector<bool> taken(olds.size(), false);
  if (renames && !removed.empty()) FindRenames(oldSide, newSide, result.differences, removed, taken);
  for (uint32_t i : removed)
    if (!taken[i]) result.differences.push_back({Difference::kRemoved, i, kNoEntry});

  for (const NameTable::Name& name : table.Names())
    if (name.chosen && (name.oldCount > 1 || name.newCount > 1))
      result.repeated.push_back({name.firstOld, name.firstNew, name.oldCount, name.newCount});
  std::sort(result.repeated.begin(), result.repeated.end(), [](const RepeatedName& a, const RepeatedName& b) {
    // kNoEntry sorts last: the names only in the old package come after the others.
    return a.firstNew != b.firstNew ? a.firstNew < b.firstNew : a.firstOld < b.firstOld;
  });
  return result;
}

}  // namespace rdbtool
