// The distinct stored names of two packages, "/" and "\" being one separator: one slot per
// name, holding an entry of that name. diff keeps there the old entry of the name to pair
// next while there is one, otherwise a new entry.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/IndexInPlace.h"
#include "cli/system/LargeBlock.h"

namespace rdbtool {

// A hash of the name with "\" counted as "/".
uint64_t HashName(std::u16string_view name);
// Whether two names are equal with "\" counted as "/".
bool SameName(std::u16string_view a, std::u16string_view b);

class NameTable {
 public:
  // Entries of both packages are numbered as one: the old ones from 0, the new ones after
  // them. A slot is 64 bits: 31 bits of the name's hash, kSeenNew, and 1 + the number of
  // the entry it holds; 0 is a free slot.
  static constexpr uint64_t kSeenNew = 1ull << 32;  // free for the caller's use
  static uint64_t Slot(uint64_t hash, uint32_t id) { return (hash & 0x7FFFFFFF) << 33 | (uint64_t{id} + 1); }
  static uint32_t Id(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }

  // Room for every name of both packages. Throws std::bad_alloc.
  NameTable(const IndexInPlace& olds, const IndexInPlace& news);
  NameTable(const NameTable&) = delete;
  NameTable& operator=(const NameTable&) = delete;

  // The slot of `name` (of hash `hash`): 0 when the name is new, for the caller to fill.
  uint64_t& Find(std::u16string_view name, uint64_t hash);

  // Calls visit(i, slot, hash) for every entry i of `index` (one of the two packages),
  // front to back or back to front. The hashes of the next few names are made and their
  // slots asked for ahead: the table is far larger than the caches, and a lookup that
  // waits for its slot costs more than the hash.
  template <class Visit>
  void ForEach(const IndexInPlace& index, bool backwards, Visit visit) {
    constexpr size_t kAhead = 16;
    const size_t n = index.Count();
    auto at = [&](size_t k) { return static_cast<uint32_t>(backwards ? n - 1 - k : k); };
    uint64_t ahead[kAhead];
    for (size_t k = 0; k < n && k < kAhead; ++k) ahead[k] = Ask(index.Name(at(k)));
    for (size_t k = 0; k < n; ++k) {
      const uint64_t hash = ahead[k % kAhead];
      if (k + kAhead < n) ahead[k % kAhead] = Ask(index.Name(at(k + kAhead)));
      const uint32_t i = at(k);
      visit(i, Find(index.Name(i), hash), hash);
    }
  }

 private:
  size_t Home(uint64_t hash) const { return static_cast<size_t>(((hash >> 32) * slots_.Size()) >> 32); }
  // The name's hash, its first slot asked for.
  uint64_t Ask(std::u16string_view name) const {
    const uint64_t hash = HashName(name);
    __builtin_prefetch(&slots_[Home(hash)]);
    return hash;
  }
  std::u16string_view Name(uint32_t id) const {
    return id < olds_.Count() ? olds_.Name(id) : news_.Name(id - olds_.Count());
  }

  const IndexInPlace& olds_;
  const IndexInPlace& news_;
  LargeArray<uint64_t> slots_;
};

}  // namespace rdbtool
