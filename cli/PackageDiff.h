// What differs between two packages' entries. Entries are paired by stored name, "/" and
// "\" being one separator; a name stored more than once in a package is paired in order
// (its first entry with the other package's first, and so on). Contents are the stored
// bytes: entries of different sizes differ without a read, entries of equal size are
// compared up to the first differing byte, read in large blocks where they lie in order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "cli/IndexInPlace.h"
#include "package/ResEntry.h"

namespace rdbtool {

// One package as the comparison sees it.
struct DiffSide {
  const IndexInPlace* index = nullptr;
  const uint8_t* view = nullptr;  // the mapped file the index was read from
  uint64_t viewSize = 0;
  // One flag per entry: whether --match/--type chose it. Null: every entry is chosen.
  const std::vector<bool>* chosen = nullptr;
  // Copies bytes of the file at an offset inside the view, false on a read error (see
  // MappedFile::ReadAt). Null, or failing: contents are compared in the view.
  std::function<bool(uint64_t offset, uint8_t* buffer, size_t size)> read;
};

constexpr uint32_t kNoEntry = UINT32_MAX;

struct Difference {
  enum Kind : char { kAdded = 'A', kRemoved = 'D', kModified = 'M', kRenamed = 'R' } kind;
  uint32_t oldEntry;  // index in the old package, kNoEntry for kAdded
  uint32_t newEntry;  // index in the new package, kNoEntry for kRemoved
};

// A name stored more than once in either package.
struct RepeatedName {
  uint32_t firstOld;  // its first entry in each package, or kNoEntry
  uint32_t firstNew;
  uint32_t oldCount;
  uint32_t newCount;
};

struct DiffResult {
  // In the new package's index order (modified, added, renamed), then the removed ones in
  // the old package's order.
  std::vector<Difference> differences;
  // Names with a chosen entry that are stored more than once, by their first entry in the
  // new package, then those only in the old one.
  std::vector<RepeatedName> repeated;
  // Chosen pairs left uncompared because one side's data lies outside its file.
  size_t unreadablePairs = 0;
};

// A pair is compared when either of its entries is chosen; an unpaired entry is added or
// removed when it is chosen. With `renames`, an added entry whose bytes equal a removed
// entry's becomes one renamed difference (the first such removed entry in the old order;
// empty entries are never paired this way: any two would match).
DiffResult DiffPackages(const DiffSide& oldSide, const DiffSide& newSide, bool renames);

// Whether the entry's data lies inside the view (and its size is not negative).
bool DataInside(const DiffSide& side, const RESENTRY& entry);

}  // namespace rdbtool
