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
  uint8_t bytes[4];
  uint8_t length;
  const ResChar* ext;
};
// Tested in order; the first match decides. A JPEG is known by its start-of-image marker
// and the first byte of the next marker, whichever segment follows (JFIF, Exif, tables).
const Signature kTypes[] = {
    {{0x89, 0x50, 0x4E, 0x47}, 4, RES_TEXT(".png")},
    {{0x42, 0x4D}, 2, RES_TEXT(".bmp")},
    {{0x47, 0x49, 0x46}, 3, RES_TEXT(".gif")},
    {{0xFF, 0xD8, 0xFF}, 3, RES_TEXT(".jpg")},
};
// Icon and cursor directories: reserved 0, type 1 or 2, then an image count of 1 or more
// (files with several sizes are the usual case).
const ResChar* IconDirectoryType(const uint8_t* data, uint64_t size) {
  if (size < 6 || data[0] != 0 || data[1] != 0 || data[3] != 0) return nullptr;
  if (data[4] == 0 && data[5] == 0) return nullptr;
  if (data[2] == 1) return RES_TEXT(".ico");
  if (data[2] == 2) return RES_TEXT(".cur");
  return nullptr;
}
const ResChar* const kNoExt = RES_TEXT("");

// Returns the byte behind the zero unit that ends the UTF-16 name at `p`, or null when the
// name runs to the end. Scans four units per step: indexes are large and this is the loop
// that opening a package spends its time in.
const uint8_t* FindNameEnd(const uint8_t* p, const uint8_t* end) {
  while (end - p >= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    const uint64_t zeroUnit = (v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull;
    if (zeroUnit) {
      // Little-endian: the lowest flagged unit is the first zero.
      for (int k = 0; k < 8; k += 2)
        if ((p[k] | p[k + 1]) == 0) return p + k + 2;
    }
    p += 8;
  }
  for (; end - p >= 2; p += 2)
    if ((p[0] | p[1]) == 0) return p + 2;
  return nullptr;
}

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
    const uint8_t* fields = FindNameEnd(p, end);
    // The terminator and both 8-byte fields must lie inside the file.
    if (!fields || end - fields < 16) {
      out.clear();
      return false;
    }
    const uint64_t dataOffset = base + ReadU32(fields);
    out.push_back(RESENTRY{reinterpret_cast<const ResChar*>(p),
                           dataOffset <= viewSize ? view + dataOffset : nullptr,
                           static_cast<int64_t>(ReadU64(fields + 8))});
    p = fields + 16;
  }
  return true;
}

const ResChar* SniffExtension(const uint8_t* data, uint64_t size) {
  if (!data) return kNoExt;
  for (const Signature& sig : kTypes) {
    if (size >= sig.length && std::memcmp(data, sig.bytes, sig.length) == 0) return sig.ext;
  }
  if (const ResChar* ext = IconDirectoryType(data, size)) return ext;
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
