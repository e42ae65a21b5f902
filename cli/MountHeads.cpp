#include "cli/MountHeads.h"

#include <algorithm>

namespace rdbtool {

namespace {

// How many entries one read looks ahead for.
constexpr size_t kLookAhead = 8192;

}  // namespace

const uint8_t* MountHeads::Head(size_t i, size_t& got) {
  const MountEntry& e = entries_[i];
  got = static_cast<size_t>(std::min<uint64_t>(e.size, kHead));
  if (e.offset >= start_ && e.offset + got <= start_ + length_) return buffer_.data() + (e.offset - start_);
  // A new window from this entry on, as far as the next entries' heads lie close behind
  // it in the file: a package written front to back is read in a few large reads; one whose
  // entries lie far apart or out of order, a small read per entry.
  uint64_t end = e.offset + got;
  for (size_t j = i + 1; j < entries_.size() && j <= i + kLookAhead; ++j) {
    const MountEntry& next = entries_[j];
    if (!next.valid) continue;
    if (next.offset < e.offset) break;
    const uint64_t nextEnd = next.offset + std::min<uint64_t>(next.size, kHead);
    if (nextEnd - e.offset > window_) break;
    end = std::max(end, nextEnd);
  }
  if (buffer_.empty()) buffer_.resize(std::max(window_, kHead));
  start_ = e.offset;
  length_ = static_cast<size_t>(end - e.offset);
  if (!file_.ReadAt(start_, buffer_.data(), length_)) {
    length_ = 0;
    return nullptr;
  }
  return buffer_.data();
}

const uint8_t* MountHeads::Bytes(uint64_t offset, size_t want, size_t& got) {
  got = offset < file_.Size() ? static_cast<size_t>(std::min<uint64_t>({want, kHead, file_.Size() - offset})) : 0;
  if (got == 0) return side_;
  return file_.ReadAt(offset, side_, got) ? side_ : nullptr;
}

}  // namespace rdbtool
