// A package's index read in place: where each record starts; names, offsets and sizes are
// read from the package's bytes when wanted. (A record per entry held apart, for 100,000s
// of entries, costs more than the work of update or diff beside reading the data.)
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "cli/system/LargeBlock.h"
#include "package/PackageFormat.h"

namespace rdbtool {

class MappedFile;

// The records of a mapped package's index front to back, read from the file a block at a
// time into one buffer: on the machines we measured, walking a 70 MB index through the
// mapping took three times as long as reading it in blocks and walking those (the
// mapping's pages each cost a fault and a TLB miss; the buffer stays in the cache).
// Refuses what WalkIndex refuses, at the same record.
class IndexWalk {
 public:
  explicit IndexWalk(const MappedFile& file);
  // The header's record count, when the file has room for that many; false (with
  // `damage`) when it has not, or is shorter than a header.
  bool Begin(uint32_t& count, sorv::pkg::IndexDamage& damage);
  // Record `i` (counted from 0, in order): its name from `record`, its two fields at
  // `fields`, both valid until the next call; `at` is where it begins in the file. False
  // (with `damage`) when it runs past the end of the file.
  bool Next(uint32_t i, const uint8_t*& record, const uint8_t*& fields, uint64_t& at,
            sorv::pkg::IndexDamage& damage);
  // Where the record after the last one walked begins.
  uint64_t End() const { return next_; }
  // The file's mapping.
  const uint8_t* View() const;
  uint64_t ViewSize() const;

 private:
  bool Fill();

  const MappedFile& file_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint64_t start_ = 0;   // the buffer holds the file's bytes [start_, start_ + length_)
  size_t length_ = 0;
  uint64_t next_ = sorv::pkg::kHeaderSize;
  bool fromView_ = false;  // a read failed: the rest is walked through the mapping
};

class IndexInPlace {
 public:
  // False when the header or a record runs past the end of the view (as the shared reader
  // refuses it); `damage`, when given, says where.
  bool Read(const uint8_t* view, uint64_t viewSize, sorv::pkg::IndexDamage* damage = nullptr);
  // The same for a mapped package, walked with IndexWalk: `visit(i, record, fields)` gets
  // each record's bytes on the way (valid during the call; Count() is known by then), so
  // that a caller that looks at every record needs no walk of its own through the mapping.
  template <class Visit>
  bool Read(const MappedFile& file, sorv::pkg::IndexDamage* damage, Visit visit);

  size_t Count() const { return count_; }
  std::u16string_view Name(size_t i) const {
    // The bytes have no declared type; read them as UTF-16 units, as PackageFile::Name does.
    return std::u16string_view(reinterpret_cast<const char16_t*>(view_ + records_[i]),
                               static_cast<size_t>((records_[i + 1] - records_[i] - 16) / 2 - 1));
  }
  // The entry as the shared reader gives it.
  RESENTRY Entry(size_t i) const {
    return sorv::pkg::RecordEntry(view_, size_, view_ + records_[i], view_ + records_[i + 1] - 16);
  }
  // Where each record starts, then where the index ends.
  const uint64_t* Records() const { return records_.Data(); }

 private:
  void Start(const uint8_t* view, uint64_t viewSize, uint32_t count);
  void Clear() {
    records_ = LargeArray<uint64_t>();
    count_ = 0;
  }

  const uint8_t* view_ = nullptr;
  uint64_t size_ = 0;
  // In a large block: a million records are 8 MB, and its pages are faulted in one at a
  // time otherwise.
  LargeArray<uint64_t> records_;
  size_t count_ = 0;
};

template <class Visit>
bool IndexInPlace::Read(const MappedFile& file, sorv::pkg::IndexDamage* damage, Visit visit) {
  sorv::pkg::IndexDamage unused;
  sorv::pkg::IndexDamage& d = damage ? *damage : unused;
  Clear();
  IndexWalk walk(file);
  uint32_t count = 0;
  if (!walk.Begin(count, d)) return false;
  Start(walk.View(), walk.ViewSize(), count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = nullptr;
    const uint8_t* fields = nullptr;
    uint64_t at = 0;
    if (!walk.Next(i, record, fields, at, d)) {
      Clear();
      return false;
    }
    records_[i] = at;
    visit(i, record, fields);
  }
  records_[count] = walk.End();
  return true;
}

}  // namespace rdbtool
