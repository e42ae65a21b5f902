#include "package/PackageFormat.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "package/ContentTypes.h"

namespace sorv {
namespace pkg {

const uint8_t kSignature[kSignatureSize] = {'5', '3', '1', 'E', '9', '8', '2', '0',
                                            '4', 'F', '8', '5', '4', '2', 'F', '0'};

namespace {

const ResChar* const kNoExt = RES_TEXT("");

}  // namespace

const uint8_t* FindNameEnd(const uint8_t* p, const uint8_t* end) {
#if defined(__SSE2__)
  // Eight units per step where the processor compares them at once.
  while (end - p >= 16) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int zero = _mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128()));
    if (zero) return p + __builtin_ctz(static_cast<unsigned>(zero)) + 2;
    p += 16;
  }
#endif
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

void WriteHeader(uint8_t* out, uint32_t count, uint64_t dataStartPart1, uint64_t dataStartPart2) {
  std::memcpy(out, kSignature, kSignatureSize);
  WriteU32(out + 16, count);
  WriteU64(out + 20, dataStartPart1);
  WriteU64(out + 28, dataStartPart2);
}

uint8_t* WriteRecord(uint8_t* out, std::u16string_view name, uint64_t offset, uint64_t size) {
  for (char16_t c : name) {
    *out++ = static_cast<uint8_t>(c & 0xFF);
    *out++ = static_cast<uint8_t>(c >> 8);
  }
  *out++ = 0;
  *out++ = 0;
  WriteU64(out, offset);
  WriteU64(out + 8, size);
  return out + 16;
}

bool HasSignature(const uint8_t* view, uint64_t viewSize) {
  return view && viewSize >= kSignatureSize && std::memcmp(view, kSignature, kSignatureSize) == 0;
}

bool ReadIndexCount(const uint8_t* view, uint64_t viewSize, IndexDamage& d, uint32_t& count) {
  d = IndexDamage();
  if (!view || viewSize < kHeaderSize) return false;
  count = ReadU32(view + 16);
  // Each record takes at least 18 bytes: a count the file cannot hold is refused before
  // anything is allocated for it.
  d.count = count;
  d.room = (viewSize - kHeaderSize) / kMinRecordSize;
  if (count > d.room) {
    d.kind = IndexDamage::kCount;
    return false;
  }
  return true;
}

void NoteRecordDamage(IndexDamage& d, const uint8_t* fields, uint32_t record, uint64_t offset) {
  d.kind = fields ? IndexDamage::kFields : IndexDamage::kName;
  d.record = record;
  d.offset = offset;
}

bool WalkIndex(const uint8_t* view, uint64_t viewSize, IndexDamage& d, const std::function<void(uint32_t)>& begin,
               const std::function<void(const uint8_t* record, const uint8_t* fields)>& visit) {
  uint32_t count = 0;
  if (!ReadIndexCount(view, viewSize, d, count)) return false;
  begin(count);

  const uint8_t* const end = view + viewSize;
  const uint8_t* p = view + kHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* fields = FindNameEnd(p, end);
    // The terminator and both 8-byte fields must lie inside the file.
    if (!fields || end - fields < 16) {
      NoteRecordDamage(d, fields, i, static_cast<uint64_t>(p - view));
      return false;
    }
    visit(p, fields);
    p = fields + 16;
  }
  return true;
}

RESENTRY RecordEntry(const uint8_t* view, uint64_t viewSize, const uint8_t* record, const uint8_t* fields) {
  const uint64_t dataOffset = DataStart(view) + ReadU32(fields);
  return RESENTRY{reinterpret_cast<const ResChar*>(record), dataOffset <= viewSize ? view + dataOffset : nullptr,
                  static_cast<int64_t>(ReadU64(fields + 8))};
}

bool ReadIndex(const uint8_t* view, uint64_t viewSize, std::vector<RESENTRY>& out, IndexDamage* damage) {
  out.clear();
  IndexDamage unused;
  const bool read = WalkIndex(
      view, viewSize, damage ? *damage : unused, [&](uint32_t count) { out.reserve(count); },
      [&](const uint8_t* record, const uint8_t* fields) { out.push_back(RecordEntry(view, viewSize, record, fields)); });
  if (!read) out.clear();
  return read;
}

const ResChar* SniffExtension(const uint8_t* data, uint64_t size) {
  const ContentType* type = SniffContentType(data, size);
  return type ? type->ext : kNoExt;
}

bool ReadWrapHeader(const uint8_t* data, uint64_t available, uint64_t size, uint64_t& headerLength) {
  if (available < kWrapHeaderMin || size < kWrapHeaderMin || !HasWrapMarker(data, available)) return false;
  headerLength = WrapHeaderLength(data);
  return headerLength <= size;
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
  uint64_t headerLength = 0;
  if (ReadWrapHeader(c.data, size, size, headerLength)) {
    c.wrapped = true;
    c.data += headerLength;
    c.size -= headerLength;
  }
  c.ext = SniffExtension(c.data, c.size);
  return c;
}

}  // namespace pkg
}  // namespace sorv
