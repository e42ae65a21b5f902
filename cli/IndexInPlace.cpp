#include "cli/IndexInPlace.h"

namespace rdbtool {

bool IndexInPlace::Read(const uint8_t* view, uint64_t viewSize, sorv::pkg::IndexDamage* damage) {
  view_ = view;
  size_ = viewSize;
  records_.clear();
  uint64_t next = sorv::pkg::kHeaderSize;  // where the record after the last one walked begins
  sorv::pkg::IndexDamage unused;
  if (!sorv::pkg::WalkIndex(
          view_, size_, damage ? *damage : unused, [&](uint32_t count) { records_.reserve(size_t{count} + 1); },
          [&](const uint8_t* record, const uint8_t* fields) {
            records_.push_back(static_cast<uint64_t>(record - view_));
            next = static_cast<uint64_t>(fields + 16 - view_);
          })) {
    records_.clear();
    return false;
  }
  records_.push_back(next);
  return true;
}

}  // namespace rdbtool
