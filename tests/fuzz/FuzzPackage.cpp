// Arbitrary bytes as a whole package file: index reading and the content of every entry
// must stay inside the bytes, whatever the header and index say.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "package/PackageFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A mapping is page-aligned; copy so names can be read as UTF-16 in place, and so that
  // AddressSanitizer sees the exact end of the "file".
  std::vector<uint8_t> view(data, data + size);
  std::vector<RESENTRY> entries;
  if (!sorv::pkg::HasSignature(view.data(), view.size())) return 0;
  if (!sorv::pkg::ReadIndex(view.data(), view.size(), entries)) return 0;
  volatile unsigned sink = 0;
  for (const RESENTRY& e : entries) {
    for (const ResChar* p = e.pszName; *p; ++p) sink = sink + *p;
    sorv::pkg::EntryContent c = sorv::pkg::ResolveContent(view.data(), view.size(), e);
    if (!c.valid) continue;
    // Touch the first and last byte of what a save or a stream would copy.
    if (c.size) sink = sink + c.data[0] + c.data[c.size - 1];
    sink = sink + c.ext[0];
  }
  return 0;
}
