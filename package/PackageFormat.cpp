#include "PackageFormat.h"

#include <cstring>

namespace sorv {
namespace pkg {

const uint8_t kSignature[kSignatureSize] = {'5', '3', '1', 'E', '9', '8', '2', '0',
                                            '4', 'F', '8', '5', '4', '2', 'F', '0'};

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t ReadU64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadU32(p)) | static_cast<uint64_t>(ReadU32(p + 4)) << 32;
}

struct Signature {
  uint8_t bytes[10];
  uint8_t length;
  const ResChar* ext;
};
// Tested in order; the first match decides. Icons and cursors need exactly one image.
const Signature kTypes[] = {
    {{0x89, 0x50, 0x4E, 0x47}, 4, RES_TEXT(".png")},
    {{0x42, 0x4D}, 2, RES_TEXT(".bmp")},
    {{0x47, 0x49, 0x46}, 3, RES_TEXT(".gif")},
    {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46}, 10, RES_TEXT(".jpg")},
    {{0x00, 0x00, 0x01, 0x00, 0x01, 0x00}, 6, RES_TEXT(".ico")},
    {{0x00, 0x00, 0x02, 0x00, 0x01, 0x00}, 6, RES_TEXT(".cur")},
};
const ResChar* const kNoExt = RES_TEXT("");

}  // namespace

bool HasSignature(const uint8_t* view, uint64_t viewSize) {
  return view && viewSize >= kSignatureSize && std::memcmp(view, kSignature, kSignatureSize) == 0;
}

bool ReadIndex(const uint8_t* view, uint64_t viewSize, std::vector<RESENTRY>& out) {
  out.clear();
  if (!view || viewSize < kHeaderSize) return false;
  const uint32_t count = ReadU32(view + 16);
  // 32-bit wrap-around, as the two header parts have always been added.
  const uint64_t base = static_cast<uint32_t>(ReadU32(view + 20) + ReadU32(view + 28));
  // Each record takes at least 18 bytes: a count the file cannot hold is refused before
  // anything is allocated for it.
  if (count > (viewSize - kHeaderSize) / kMinRecordSize) return false;
  out.reserve(count);

  const uint8_t* const end = view + viewSize;
  const uint8_t* p = view + kHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    // Name: UTF-16 units up to and including the terminating zero.
    const uint8_t* q = p;
    while (end - q >= 2 && (q[0] | q[1]) != 0) q += 2;
    if (end - q < 2 + 16) {
      out.clear();
      return false;
    }
    const uint8_t* fields = q + 2;
    const uint64_t dataOffset = base + ReadU32(fields);
    RESENTRY e;
    e.pszName = reinterpret_cast<const ResChar*>(p);
    e.pData = dataOffset <= viewSize ? view + dataOffset : nullptr;
    e.nSize = static_cast<int64_t>(ReadU64(fields + 8));
    out.push_back(e);
    p = fields + 16;
  }
  return true;
}

const ResChar* SniffExtension(const uint8_t* data, uint64_t size) {
  if (!data) return kNoExt;
  for (const Signature& sig : kTypes) {
    if (size >= sig.length && std::memcmp(data, sig.bytes, sig.length) == 0) return sig.ext;
  }
  return kNoExt;
}

EntryContent ResolveContent(const uint8_t* view, uint64_t viewSize, const RESENTRY& entry) {
  EntryContent c;
  c.ext = kNoExt;
  if (!view || !entry.pData || entry.nSize < 0) return c;
  if (entry.pData < view) return c;
  const uint64_t start = static_cast<uint64_t>(entry.pData - view);
  const uint64_t size = static_cast<uint64_t>(entry.nSize);
  if (start > viewSize || size > viewSize - start) return c;
  c.valid = true;
  c.data = entry.pData;
  c.size = size;
  static const uint8_t kMarker[4] = {'T', 'G', 'F', 0};
  if (size >= kWrapHeaderMin && std::memcmp(c.data, kMarker, 4) == 0) {
    const uint64_t headerLength = ReadU32(c.data + 16);
    if (headerLength <= size) {
      c.wrapped = true;
      c.data += headerLength;
      c.size -= headerLength;
    }
  }
  c.ext = SniffExtension(c.data, c.size);
  return c;
}

}  // namespace pkg
}  // namespace sorv
