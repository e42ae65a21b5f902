// Makes package files in memory: for tests, fuzz seeds, benchmarks and tools. Broken
// packages are made by changing the built bytes (see the Patch helpers) or by the
// per-entry overrides below.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sorv {
namespace pkg {

class PackageWriter {
 public:
  struct Entry {
    std::u16string name;
    std::vector<uint8_t> data;  // bytes as stored (already wrapped when asked for)
    bool overrideOffset = false;
    uint64_t offset = 0;  // stored offset field when overridden
    bool overrideSize = false;
    int64_t size = 0;  // stored size field when overridden
  };

  // Adds an entry; returns its index for later overrides.
  size_t Add(const std::u16string& name, const std::vector<uint8_t>& data);
  // Adds `payload` behind a "TGF\0" header of `headerLength` bytes (at least 20).
  size_t AddWrapped(const std::u16string& name, const std::vector<uint8_t>& payload,
                    uint32_t headerLength = 20);
  Entry& At(size_t index) { return entries_[index]; }
  size_t Count() const { return entries_.size(); }

  // Splits the data-area start between the two header parts: part1 + part2 must equal the
  // index end for the data to be found where Build() puts it, unless a test means otherwise.
  // By default part1 = index end and part2 = 0.
  void SetDataBaseParts(uint32_t part1, uint32_t part2);
  // Extra bytes between the index and the data area (data-area start moves with them).
  void SetGap(uint32_t bytes) { gap_ = bytes; }

  std::vector<uint8_t> Build() const;

  // Offset of the index end (= data-area start without gap) for the current entries.
  uint64_t IndexEnd() const;

  static std::vector<uint8_t> Wrap(const std::vector<uint8_t>& payload, uint32_t headerLength = 20);

 private:
  std::vector<Entry> entries_;
  bool customBase_ = false;
  uint32_t part1_ = 0, part2_ = 0;
  uint32_t gap_ = 0;
};

void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
void PatchU64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value);
std::u16string Utf16(const std::string& ascii);

}  // namespace pkg
}  // namespace sorv
