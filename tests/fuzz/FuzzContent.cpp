// Arbitrary bytes as one entry's data inside a well-formed package: unwrapping and type
// recognition must read only the entry's own bytes. The first byte picks a stored size
// that is smaller, equal or larger than the data, to exercise the bounds checks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/PackageFormat.h"
#include "package/PackageWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::vector<uint8_t> payload(data + 1, data + size);
  sorv::pkg::PackageWriter w;
  size_t i = w.Add(u"entry.gft", payload);
  if (mode % 4 == 1) {
    w.At(i).overrideSize = true;
    w.At(i).size = static_cast<int64_t>(payload.size()) + (mode >> 2);
  } else if (mode % 4 == 2) {
    w.At(i).overrideSize = true;
    w.At(i).size = static_cast<int64_t>(payload.size()) - (mode >> 2);
  } else if (mode % 4 == 3) {
    w.At(i).overrideOffset = true;
    w.At(i).offset = mode >> 2;
  }
  std::vector<uint8_t> file = w.Build();
  std::vector<RESENTRY> entries;
  if (!sorv::pkg::ReadIndex(file.data(), file.size(), entries) || entries.size() != 1) __builtin_trap();
  sorv::pkg::EntryContent c = sorv::pkg::ResolveContent(file.data(), file.size(), entries[0]);
  volatile unsigned sink = 0;
  if (c.valid && c.size) sink = sink + c.data[0] + c.data[c.size - 1];
  return 0;
}
