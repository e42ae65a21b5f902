#include "cli/NameTable.h"

#include "cli/system/LargeBlock.h"

#include <algorithm>
#include <cstring>
#include <new>

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

}  // namespace

// Four units a step: two indexes of a million names each spend much of their comparison
// here.
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

NameTable::NameTable(const IndexInPlace& olds, const IndexInPlace& news) : olds_(olds), news_(news) {
  const uint64_t most = uint64_t{olds.Count()} + news.Count();
  // At most two thirds full. Entry numbers must fit 32 bits; an index that large would
  // not fit in memory anyway.
  if (most >= UINT32_MAX) throw std::bad_alloc();
  slots_ = LargeArray<uint64_t>(static_cast<size_t>(std::max<uint64_t>(16, most + most / 2 + 1)));
}

uint64_t& NameTable::Find(std::u16string_view name, uint64_t hash) {
  const uint64_t tag = (hash & 0x7FFFFFFF) << 33;
  for (size_t i = Home(hash);; i = i + 1 == slots_.Size() ? 0 : i + 1) {
    uint64_t& slot = slots_[i];
    if (slot == 0) return slot;
    if ((slot & ~(kSeenNew | 0xFFFFFFFFull)) == tag && SameName(Name(Id(slot)), name)) return slot;
  }
}

}  // namespace rdbtool
