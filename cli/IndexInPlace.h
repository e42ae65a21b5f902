// A package's index read in place: where each record starts; names, offsets and sizes are
// read from the package's bytes when wanted. (A record per entry held apart, for 100,000s
// of entries, costs more than the work of update or diff beside reading the data.)
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "package/PackageFormat.h"

namespace rdbtool {

class IndexInPlace {
 public:
  // False when the header or a record runs past the end of the view (as the shared reader
  // refuses it); `damage`, when given, says where.
  bool Read(const uint8_t* view, uint64_t viewSize, sorv::pkg::IndexDamage* damage = nullptr);
  size_t Count() const { return records_.empty() ? 0 : records_.size() - 1; }
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
  const uint64_t* Records() const { return records_.data(); }

 private:
  const uint8_t* view_ = nullptr;
  uint64_t size_ = 0;
  std::vector<uint64_t> records_;
};

}  // namespace rdbtool
