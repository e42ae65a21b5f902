#include "cli/PackageDiff.h"

#include "cli/NameTable.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace rdbtool {

namespace {

bool Chosen(const DiffSide& side, size_t i) { return !side.chosen || (*side.chosen)[i]; }

// A block of one package's bytes read into memory: pairs are compared from here, the
// next block read when a pair reaches past it.
class ContentWindow {
 public:
  static constexpr size_t kChunk = size_t{1} << 18;  // compared at a time, at most

  explicit ContentWindow(const DiffSide& side) : side_(side) {}

  // The `size` (at most kChunk) bytes at `data` (inside the view): from the window, or
  // from the view when they cannot be read.
  const uint8_t* At(const uint8_t* data, size_t size) {
    const uint64_t offset = static_cast<uint64_t>(data - side_.view);
    if (offset >= start_ && offset - start_ + size <= filled_) return buffer_.data() + (offset - start_);
    if (!side_.read) return data;
    // Entries that follow each other get a large block; one far away only what it needs
    // and a little more, so that a package in another order is not read many times over.
    const bool near = offset >= start_ && offset <= start_ + filled_ + kNear;
    const uint64_t left = side_.viewSize - offset;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, std::max(size, near ? kBlock : kNear)));
    if (buffer_.size() < want) buffer_.resize(std::max(want, kNear));
    if (!side_.read(offset, buffer_.data(), want)) {
      filled_ = 0;
      return data;
    }
    start_ = offset;
    filled_ = want;
    return buffer_.data();
  }

 private:
  static constexpr size_t kBlock = size_t{1} << 20;
  static constexpr size_t kNear = size_t{1} << 16;
  const DiffSide& side_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
};

// Whether two readable entries hold the same bytes; reads up to the first difference.
bool SameContent(ContentWindow& oldWindow, const RESENTRY& a, ContentWindow& newWindow, const RESENTRY& b) {
  if (a.nSize != b.nSize) return false;
  const uint64_t size = static_cast<uint64_t>(a.nSize);
  for (uint64_t done = 0; done < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(ContentWindow::kChunk, size - done));
    const uint8_t* x = oldWindow.At(a.pData + done, n);
    const uint8_t* y = newWindow.At(b.pData + done, n);
    if (std::memcmp(x, y, n) != 0) return false;
    done += n;
  }
  return true;
}

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
std::vector<RepeatedName> CountRepeated(const DiffSide& oldSide, const DiffSide& newSide,
                                        const std::vector<uint32_t>& seeds) {
  const uint32_t oldCount = static_cast<uint32_t>(oldSide.index->Count());
  std::unordered_set<uint64_t> hashes;
  for (uint32_t id : seeds)
    hashes.insert(HashName(id < oldCount ? oldSide.index->Name(id) : newSide.index->Name(id - oldCount)));
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
  NameTable table(olds, news);
  std::vector<uint32_t> seeds;  // an entry of each name stored more than once
  DiffResult result;
  result.differences.reserve(olds.Count() + news.Count());

  // The old entries of each name, chained in order: walked from the back, each becomes
  // its name's first entry and the slot's. The slot then moves along the chain as new
  // entries of the name are paired, and holds a new entry once the old ones run out.
  std::vector<uint32_t> laterOld(oldCount, kNoEntry);
  table.ForEach(olds, true, [&](uint32_t i, uint64_t& slot, uint64_t hash) {
    if (slot != 0) {
      laterOld[i] = NameTable::Id(slot);
      seeds.push_back(i);
    }
    slot = NameTable::Slot(hash, i);
  });

  std::vector<bool> paired(oldCount, false);
  ContentWindow oldWindow(oldSide), newWindow(newSide);
  table.ForEach(news, false, [&](uint32_t j, uint64_t& slot, uint64_t hash) {
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
    } else if (!SameContent(oldWindow, before, newWindow, after)) {
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

  if (!seeds.empty()) result.repeated = CountRepeated(oldSide, newSide, seeds);
  return result;
}

}  // namespace rdbtool
