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

// The high bit of every 16-bit lane of `v` that is zero, and no other bit.
inline uint64_t ZeroLanes(uint64_t v) {
  constexpr uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFull;
  return ~(((v & kLow15) + kLow15) | v | kLow15);
}

inline uint64_t Mix(uint64_t h, uint64_t v) {
  h = (h ^ v) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 32);
}

// The name's hash, "\\" counted as "/". Four units per step: two indexes of a million names
// each spend most of their comparison here. The step that holds the terminator reads up
// to three units past it, which stay inside the record (its 16-byte fields follow the
// name), and leaves them out of the hash.
uint64_t HashName(const char16_t* name) {
  constexpr uint64_t kOnes = 0x0001000100010001ull;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(name);
  uint64_t h = 0;
  for (;; p += 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    v ^= (ZeroLanes(v ^ 0x5C * kOnes) >> 15) * ('\\' ^ '/');
    const uint64_t end = ZeroLanes(v);
    if (end) {
      h = Mix(h, v & ((end & (0 - end)) - 1));
      break;
    }
    h = Mix(h, v);
  }
  h *= 0xC2B2AE3D27D4EB4Full;
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
    uint32_t firstOld = kNoEntry;
    uint32_t firstNew = kNoEntry;
    uint32_t nextOld = kNoEntry;  // the next old entry of this name not yet paired
    uint32_t oldCount = 0;
    uint32_t newCount = 0;
    bool chosen = false;          // an entry of this name is chosen
  };

  NameTable(const std::vector<RESENTRY>& olds, const std::vector<RESENTRY>& news) : olds_(olds), news_(news) {
    const size_t most = olds.size() + news.size();
    size_t capacity = 16;
    while (capacity < 2 * most) capacity *= 2;
    slots_.assign(capacity, 0);
    names_.reserve(most);
  }

  static uint64_t Hash(const RESENTRY& entry) { return HashName(Units(entry)); }
  // Asks for the slot where a name of this hash is looked for first: the table is far
  // larger than the caches, and a lookup that waits for it costs more than the hash.
  void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[static_cast<size_t>(hash >> 32) & (slots_.size() - 1)]); }

  // The record for `entry`'s name (whose hash is `hash`), made empty when the name is new.
  Name& Find(const RESENTRY& entry, uint64_t hash) {
    const char16_t* units = Units(entry);
    // A slot holds the low half of the hash and 1 + the name's index; 0 is free.
    const uint64_t tag = hash << 32;
    const size_t mask = slots_.size() - 1;
    for (size_t i = static_cast<size_t>(hash >> 32) & mask;; i = (i + 1) & mask) {
      const uint64_t slot = slots_[i];
      if (slot == 0) {
        slots_[i] = tag | (names_.size() + 1);
        names_.emplace_back();
        return names_.back();
      }
      if ((slot & ~0xFFFFFFFFull) != tag) continue;
      Name& name = names_[(slot & 0xFFFFFFFFull) - 1];
      // A name already here was first seen in the old package, or only in the new one.
      const RESENTRY& first = name.firstOld != kNoEntry ? olds_[name.firstOld] : news_[name.firstNew];
      if (SameName(Units(first), units)) return name;
    }
  }

  std::vector<Name>& Names() { return names_; }

 private:
  std::vector<uint64_t> slots_;
  std::vector<Name> names_;
  const std::vector<RESENTRY>& olds_;
  const std::vector<RESENTRY>& news_;
};

// Calls visit(index, name record) for every entry, front to back or back to front, with
// the hashes of the next few entries computed and their slots asked for ahead.
template <class Visit>
void ForEachName(NameTable& table, const std::vector<RESENTRY>& entries, bool backwards, Visit visit) {
  constexpr size_t kAhead = 16;
  const size_t n = entries.size();
  auto at = [&](size_t k) { return static_cast<uint32_t>(backwards ? n - 1 - k : k); };
  uint64_t ahead[kAhead];
  for (size_t k = 0; k < n && k < kAhead; ++k) {
    ahead[k] = NameTable::Hash(entries[at(k)]);
    table.Prefetch(ahead[k]);
  }
  for (size_t k = 0; k < n; ++k) {
    const uint64_t hash = ahead[k % kAhead];
    if (k + kAhead < n) {
      ahead[k % kAhead] = NameTable::Hash(entries[at(k + kAhead)]);
      table.Prefetch(ahead[k % kAhead]);
    }
    visit(at(k), table.Find(entries[at(k)], hash));
  }
}

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

  // The old entries of each name, chained in order: walked from the back, each becomes
  // the head of its name's chain.
  std::vector<uint32_t> laterOld(olds.size(), kNoEntry);
  ForEachName(table, olds, true, [&](uint32_t i, NameTable::Name& name) {
    laterOld[i] = name.firstOld;
    name.firstOld = i;
    ++name.oldCount;
    name.chosen = name.chosen || Chosen(oldSide, i);
  });
  for (NameTable::Name& name : table.Names()) name.nextOld = name.firstOld;

  std::vector<bool> paired(olds.size(), false);
  ForEachName(table, news, false, [&](uint32_t j, NameTable::Name& name) {
    if (name.firstNew == kNoEntry) name.firstNew = j;
    ++name.newCount;
    name.chosen = name.chosen || Chosen(newSide, j);
    const uint32_t i = name.nextOld;
    if (i == kNoEntry) {
      if (Chosen(newSide, j)) result.differences.push_back({Difference::kAdded, kNoEntry, j});
      return;
    }
    name.nextOld = laterOld[i];
    paired[i] = true;
    if (!Chosen(oldSide, i) && !Chosen(newSide, j)) return;
    if (!DataInside(oldSide, olds[i]) || !DataInside(newSide, news[j])) {
      ++result.unreadablePairs;
    } else if (!SameBytes(olds[i], news[j])) {
      result.differences.push_back({Difference::kModified, i, j});
    }
  });

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
