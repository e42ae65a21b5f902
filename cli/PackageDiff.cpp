#include "cli/PackageDiff.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace rdbtool {

namespace {

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

// The name's hash, "\" counted as "/". Four units a step: two indexes of a million names
// each spend much of their comparison here.
uint64_t HashName(std::u16string_view name) {
  constexpr uint64_t kOnes = 0x0001000100010001ull;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(name.data());
  size_t left = name.size();
  uint64_t h = name.size();
  for (; left >= 4; left -= 4, p += 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    v ^= (ZeroLanes(v ^ 0x5C * kOnes) >> 15) * ('\\' ^ '/');
    h = Mix(h, v);
  }
  if (left) {
    uint64_t v = 0;
    for (size_t k = 0; k < left; ++k) v |= static_cast<uint64_t>(Separator(name[name.size() - left + k])) << (16 * k);
    h = Mix(h, v);
  }
  h *= 0xC2B2AE3D27D4EB4Full;
  return h ^ (h >> 29);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k)
    if (Separator(a[k]) != Separator(b[k])) return false;
  return true;
}

// Entries of both packages in one numbering: the old ones from 0, the new ones after them.
class Entries {
 public:
  Entries(const IndexInPlace& olds, const IndexInPlace& news) : olds_(olds), news_(news) {}
  uint32_t OldCount() const { return static_cast<uint32_t>(olds_.Count()); }
  std::u16string_view Name(uint32_t id) const {
    return id < OldCount() ? olds_.Name(id) : news_.Name(id - OldCount());
  }

 private:
  const IndexInPlace& olds_;
  const IndexInPlace& news_;
};

// One slot per distinct name of both packages, holding an entry of that name: the old
// entry of that name to pair next while there is one, otherwise a new entry. A slot is
// 64 bits: 31 bits of the name's hash, whether a new entry of the name was seen, and
// 1 + the entry's number (0: a free slot).
class NameTable {
 public:
  static constexpr uint64_t kSeenNew = 1ull << 32;

  NameTable(const Entries& entries, size_t most) : entries_(entries) {
    // Up to two thirds full; far beyond any index a package can hold in memory.
    if (most > (1ull << 31)) throw std::bad_alloc();
    capacity_ = std::max<uint64_t>(16, most + most / 2 + 1);
    // Zeroed by the system: a large block comes as fresh pages, written only when used.
    slots_.reset(static_cast<uint64_t*>(std::calloc(static_cast<size_t>(capacity_), sizeof(uint64_t))));
    if (!slots_) throw std::bad_alloc();
  }

  static uint64_t Hash(std::u16string_view name) { return HashName(name); }
  static uint64_t Slot(uint64_t hash, uint32_t id) { return (hash & 0x7FFFFFFF) << 33 | (uint64_t{id} + 1); }
  static uint32_t Id(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }

  // Asks for the slot where a name of this hash is looked for first: the table is far
  // larger than the caches, and a lookup that waits for it costs more than the hash.
  void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[Home(hash)]); }

  // The slot of `name`: 0 when the name is new (the caller fills it).
  uint64_t& Find(std::u16string_view name, uint64_t hash) {
    const uint64_t tag = (hash & 0x7FFFFFFF) << 33;
    for (size_t i = Home(hash);; i = i + 1 == capacity_ ? 0 : i + 1) {
      uint64_t& slot = slots_[i];
      if (slot == 0) return slot;
      if ((slot & ~(kSeenNew | 0xFFFFFFFFull)) == tag && SameName(entries_.Name(Id(slot)), name)) return slot;
    }
  }

 private:
  size_t Home(uint64_t hash) const { return static_cast<size_t>(((hash >> 32) * capacity_) >> 32); }

  const Entries& entries_;
  uint64_t capacity_ = 0;
  std::unique_ptr<uint64_t[], decltype(&std::free)> slots_{nullptr, &std::free};
};

// Calls visit(index, slot, hash) for every entry of `index`, front to back or back to
// front, with the hashes of the next few entries computed and their slots asked for ahead.
template <class Visit>
void ForEachName(NameTable& table, const IndexInPlace& index, bool backwards, Visit visit) {
  constexpr size_t kAhead = 16;
  const size_t n = index.Count();
  auto at = [&](size_t k) { return static_cast<uint32_t>(backwards ? n - 1 - k : k); };
  uint64_t ahead[kAhead];
  for (size_t k = 0; k < n && k < kAhead; ++k) {
    ahead[k] = NameTable::Hash(index.Name(at(k)));
    table.Prefetch(ahead[k]);
  }
  for (size_t k = 0; k < n; ++k) {
    const uint64_t hash = ahead[k % kAhead];
    if (k + kAhead < n) {
      ahead[k % kAhead] = NameTable::Hash(index.Name(at(k + kAhead)));
      table.Prefetch(ahead[k % kAhead]);
    }
    const uint32_t i = at(k);
    visit(i, table.Find(index.Name(i), hash), hash);
  }
}

bool Chosen(const DiffSide& side, size_t i) { return !side.chosen || (*side.chosen)[i]; }

bool SameBytes(const RESENTRY& a, const RESENTRY& b) {
  return a.nSize == b.nSize && (a.nSize == 0 || std::memcmp(a.pData, b.pData, static_cast<size_t>(a.nSize)) == 0);
}

uint64_t ContentKey(const RESENTRY& entry) {
  const std::string_view bytes(reinterpret_cast<const char*>(entry.pData), static_cast<size_t>(entry.nSize));
  return std::hash<std::string_view>()(bytes) * 31 + static_cast<uint64_t>(entry.nSize);
}

// An entry that may be renamed: its data can be read and is not empty.
bool Movable(const DiffSide& side, const RESENTRY& entry) { return entry.nSize > 0 && DataInside(side, entry); }

// Turns added entries into renamed ones where a removed entry has the same bytes; marks
// those removed entries as taken.
void FindRenames(const DiffSide& oldSide, const DiffSide& newSide, std::vector<Difference>& found,
                 const std::vector<uint32_t>& removed, std::vector<bool>& taken) {
  const IndexInPlace& olds = *oldSide.index;
  const IndexInPlace& news = *newSide.index;
  // Only sizes found on both sides are worth reading.
  std::unordered_map<int64_t, int> sizes;
  for (uint32_t i : removed) {
    const RESENTRY e = olds.Entry(i);
    if (Movable(oldSide, e)) sizes[e.nSize] |= 1;
  }
  if (sizes.empty()) return;
  for (const Difference& d : found) {
    if (d.kind != Difference::kAdded) continue;
    const RESENTRY e = news.Entry(d.newEntry);
    auto it = sizes.find(e.nSize);
    if (it != sizes.end() && Movable(newSide, e)) it->second |= 2;
  }
  std::unordered_map<uint64_t, std::vector<uint32_t>> byContent;  // removed entries, in the old order
  for (uint32_t i : removed) {
    const RESENTRY e = olds.Entry(i);
    auto it = sizes.find(e.nSize);
    if (it != sizes.end() && it->second == 3 && Movable(oldSide, e)) byContent[ContentKey(e)].push_back(i);
  }
  for (Difference& d : found) {
    if (d.kind != Difference::kAdded) continue;
    const RESENTRY e = news.Entry(d.newEntry);
    auto sized = sizes.find(e.nSize);
    if (sized == sizes.end() || sized->second != 3 || !Movable(newSide, e)) continue;
    auto it = byContent.find(ContentKey(e));
    if (it == byContent.end()) continue;
    for (uint32_t i : it->second) {
      if (taken[i] || !SameBytes(olds.Entry(i), e)) continue;
      taken[i] = true;
      d.kind = Difference::kRenamed;
      d.oldEntry = i;
      break;
    }
  }
}

// The counts and first entries of the names stored more than once; `seeds` holds an entry
// of each such name (in the one numbering, some more than once). Rare, so done apart: the
// names' hashes pick the entries to count.
std::vector<RepeatedName> CountRepeated(const DiffSide& oldSide, const DiffSide& newSide, const Entries& entries,
                                        const std::vector<uint32_t>& seeds) {
  std::unordered_set<uint64_t> hashes;
  for (uint32_t id : seeds) hashes.insert(HashName(entries.Name(id)));
  struct Found {
    RepeatedName counts{kNoEntry, kNoEntry, 0, 0};
    bool chosen = false;
  };
  std::map<std::u16string, Found> byName;
  auto count = [&](const DiffSide& side, bool isOld) {
    for (uint32_t i = 0; i < side.index->Count(); ++i) {
      const std::u16string_view name = side.index->Name(i);
      if (!hashes.count(HashName(name))) continue;
      std::u16string key(name);
      std::replace(key.begin(), key.end(), u'\\', u'/');
      Found& f = byName[key];
      uint32_t& first = isOld ? f.counts.firstOld : f.counts.firstNew;
      if (first == kNoEntry) first = i;
      ++(isOld ? f.counts.oldCount : f.counts.newCount);
      f.chosen = f.chosen || Chosen(side, i);
    }
  };
  count(oldSide, true);
  count(newSide, false);
  std::vector<RepeatedName> repeated;
  for (const auto& named : byName) {
    const Found& f = named.second;
    if (f.chosen && (f.counts.oldCount > 1 || f.counts.newCount > 1)) repeated.push_back(f.counts);
  }
  std::sort(repeated.begin(), repeated.end(), [](const RepeatedName& a, const RepeatedName& b) {
    // kNoEntry sorts last: the names only in the old package come after the others.
    return a.firstNew != b.firstNew ? a.firstNew < b.firstNew : a.firstOld < b.firstOld;
  });
  return repeated;
}

}  // namespace

bool DataInside(const DiffSide& side, const RESENTRY& entry) {
  if (!entry.pData || entry.nSize < 0 || entry.pData < side.view) return false;
  const uint64_t start = static_cast<uint64_t>(entry.pData - side.view);
  return start <= side.viewSize && static_cast<uint64_t>(entry.nSize) <= side.viewSize - start;
}

DiffResult DiffPackages(const DiffSide& oldSide, const DiffSide& newSide, bool renames) {
  const IndexInPlace& olds = *oldSide.index;
  const IndexInPlace& news = *newSide.index;
  const uint32_t oldCount = static_cast<uint32_t>(olds.Count());
  const Entries entries(olds, news);
  NameTable table(entries, olds.Count() + news.Count());
  std::vector<uint32_t> seeds;  // an entry of each name stored more than once
  DiffResult result;
  result.differences.reserve(olds.Count() + news.Count());

  // The old entries of each name, chained in order: walked from the back, each becomes
  // its name's first entry and the slot's.
  std::vector<uint32_t> laterOld(oldCount, kNoEntry);
  ForEachName(table, olds, true, [&](uint32_t i, uint64_t& slot, uint64_t hash) {
    if (slot != 0) {
      laterOld[i] = NameTable::Id(slot);
      seeds.push_back(i);
    }
    slot = NameTable::Slot(hash, i);
  });

  std::vector<bool> paired(oldCount, false);
  ForEachName(table, news, false, [&](uint32_t j, uint64_t& slot, uint64_t hash) {
    if (slot & NameTable::kSeenNew) seeds.push_back(oldCount + j);
    const uint32_t i = slot == 0 ? kNoEntry : NameTable::Id(slot);
    if (slot == 0 || i >= oldCount) {
      if (slot == 0) slot = NameTable::Slot(hash, oldCount + j);
      slot |= NameTable::kSeenNew;
      if (Chosen(newSide, j)) result.differences.push_back({Difference::kAdded, kNoEntry, j});
      return;
    }
    paired[i] = true;
    slot = NameTable::Slot(hash, laterOld[i] != kNoEntry ? laterOld[i] : oldCount + j) | NameTable::kSeenNew;
    if (!Chosen(oldSide, i) && !Chosen(newSide, j)) return;
    const RESENTRY before = olds.Entry(i);
    const RESENTRY after = news.Entry(j);
    if (!DataInside(oldSide, before) || !DataInside(newSide, after)) {
      ++result.unreadablePairs;
    } else if (!SameBytes(before, after)) {
      result.differences.push_back({Difference::kModified, i, j});
    }
  });

  std::vector<uint32_t> removed;
  for (uint32_t i = 0; i < oldCount; ++i)
    if (!paired[i] && Chosen(oldSide, i)) removed.push_back(i);
  std::vector<bool> taken(oldCount, false);
  if (renames && !removed.empty()) FindRenames(oldSide, newSide, result.differences, removed, taken);
  for (uint32_t i : removed)
    if (!taken[i]) result.differences.push_back({Difference::kRemoved, i, kNoEntry});

  if (!seeds.empty()) result.repeated = CountRepeated(oldSide, newSide, entries, seeds);
  return result;
}

}  // namespace rdbtool
