#include "cli/IndexInPlace.h"

#include <algorithm>

#include "cli/system/MappedFile.h"

namespace rdbtool {

namespace {

// Large enough that a read costs little beside its bytes, small enough for the cache.
constexpr size_t kWalkBlock = 256 << 10;

}  // namespace

IndexWalk::IndexWalk(const MappedFile& file) : file_(file), buffer_(new uint8_t[kWalkBlock]) {}

const uint8_t* IndexWalk::View() const { return file_.Data(); }
uint64_t IndexWalk::ViewSize() const { return file_.Size(); }

bool IndexWalk::Begin(uint32_t& count, sorv::pkg::IndexDamage& d) {
  next_ = sorv::pkg::kHeaderSize;
  return sorv::pkg::ReadIndexCount(file_.Data(), file_.Size(), d, count);
}

// Reads the file from next_ on into the buffer; false when the read fails.
bool IndexWalk::Fill() {
  start_ = next_;
  length_ = static_cast<size_t>(std::min<uint64_t>(kWalkBlock, file_.Size() - next_));
  if (file_.ReadAt(start_, buffer_.get(), length_)) return true;
  length_ = 0;
  return false;
}

bool IndexWalk::Next(uint32_t i, const uint8_t*& record, const uint8_t*& fields, uint64_t& at,
                     sorv::pkg::IndexDamage& d) {
  const uint8_t* const view = file_.Data();
  const uint8_t* const viewEnd = view + file_.Size();
  at = next_;
  if (!fromView_) {
    // The record from the buffer; one that does not end in it is read again from its
    // start, and one longer than the whole buffer is walked through the mapping.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (next_ >= start_ && next_ - start_ <= length_) {
        const uint8_t* p = buffer_.get() + (next_ - start_);
        const uint8_t* end = buffer_.get() + length_;
        const uint8_t* f = sorv::pkg::FindNameEnd(p, end);
        if (f && end - f >= 16) {
          record = p;
          fields = f;
          next_ += static_cast<uint64_t>(f + 16 - p);
          return true;
        }
        // Short of the end of the file, the buffer merely ended.
        if (start_ + length_ == file_.Size()) break;
        if (next_ == start_ && length_ == kWalkBlock) break;  // longer than the buffer
      }
      if (!Fill()) {
        fromView_ = true;
        break;
      }
    }
  }
  const uint8_t* p = view + next_;
  const uint8_t* f = sorv::pkg::FindNameEnd(p, viewEnd);
  if (!f || viewEnd - f < 16) {
    sorv::pkg::NoteRecordDamage(d, f, i, next_);
    return false;
  }
  record = p;
  fields = f;
  next_ += static_cast<uint64_t>(f + 16 - p);
  return true;
}

void IndexInPlace::Start(const uint8_t* view, uint64_t viewSize, uint32_t count) {
  view_ = view;
  size_ = viewSize;
  records_ = LargeArray<uint64_t>(size_t{count} + 1);
  count_ = count;
}

bool IndexInPlace::Read(const uint8_t* view, uint64_t viewSize, sorv::pkg::IndexDamage* damage) {
  Clear();
  uint64_t next = sorv::pkg::kHeaderSize;  // where the record after the last one walked begins
  size_t i = 0;
  sorv::pkg::IndexDamage unused;
  if (!sorv::pkg::WalkIndex(
          view, viewSize, damage ? *damage : unused, [&](uint32_t count) { Start(view, viewSize, count); },
          [&](const uint8_t* record, const uint8_t* fields) {
            records_[i++] = static_cast<uint64_t>(record - view);
            next = static_cast<uint64_t>(fields + 16 - view);
          })) {
    Clear();
    return false;
  }
  records_[i] = next;
  count_ = i;
  return true;
}

}  // namespace rdbtool
