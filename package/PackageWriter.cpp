#include "package/PackageWriter.h"

#include <cstring>
#include <stdexcept>

#include "package/PackageFormat.h"

namespace sorv {
namespace pkg {

size_t PackageWriter::Add(const std::u16string& name, const std::vector<uint8_t>& data) {
  Entry e;
  e.name = name;
  e.data = data;
  entries_.push_back(std::move(e));
  return entries_.size() - 1;
}

size_t PackageWriter::AddWrapped(const std::u16string& name, const std::vector<uint8_t>& payload,
                                 uint32_t headerLength) {
  return Add(name, Wrap(payload, headerLength));
}

std::vector<uint8_t> PackageWriter::Wrap(const std::vector<uint8_t>& payload, uint32_t headerLength) {
  if (headerLength < kWrapHeaderMin) throw std::invalid_argument("wrap header shorter than 20 bytes");
  std::vector<uint8_t> out(headerLength, 0);
  std::memcpy(out.data(), kWrapMarker, sizeof kWrapMarker);
  WriteU32(out.data() + 16, headerLength);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

void PackageWriter::SetDataBaseParts(uint32_t part1, uint32_t part2) {
  customBase_ = true;
  part1_ = part1;
  part2_ = part2;
}

uint64_t PackageWriter::IndexEnd() const {
  uint64_t end = kHeaderSize;
  for (const Entry& e : entries_) end += RecordSize(e.name.size());
  return end;
}

std::vector<uint8_t> PackageWriter::Build() const {
  const uint64_t indexEnd = IndexEnd();
  const uint64_t dataStart = indexEnd + gap_;
  uint64_t total = dataStart;
  for (const Entry& e : entries_) total += e.data.size();

  std::vector<uint8_t> out(static_cast<size_t>(total), 0);
  WriteHeader(out.data(), static_cast<uint32_t>(entries_.size()), customBase_ ? part1_ : static_cast<uint32_t>(dataStart),
              customBase_ ? part2_ : 0);

  uint8_t* record = out.data() + kHeaderSize;
  uint64_t dataOffset = 0;
  for (const Entry& e : entries_) {
    record = WriteRecord(record, e.name, e.overrideOffset ? e.offset : dataOffset,
                         e.overrideSize ? static_cast<uint64_t>(e.size) : e.data.size());
    if (!e.data.empty()) std::memcpy(out.data() + dataStart + dataOffset, e.data.data(), e.data.size());
    dataOffset += e.data.size();
  }
  return out;
}

void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  WriteU32(&bytes.at(offset + 3) - 3, value);
}

void PatchU64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value) {
  WriteU64(&bytes.at(offset + 7) - 7, value);
}

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace pkg
}  // namespace sorv
