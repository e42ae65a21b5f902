// Reading the package format: header, index, entry bounds, wrapped images and type
// signatures. Pure functions of bytes: every read stays inside [view, view + viewSize).
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "package/ResEntry.h"

namespace sorv {
namespace pkg {

constexpr uint64_t kHeaderSize = 36;
constexpr uint64_t kSignatureSize = 16;
extern const uint8_t kSignature[kSignatureSize];

// Smallest index record: an empty name (one 16-bit zero) and the two 8-byte fields.
constexpr uint64_t kMinRecordSize = 18;
constexpr uint64_t kWrapHeaderMin = 20;

// The format's numbers are little-endian, at any alignment.
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t ReadU64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadU32(p)) | static_cast<uint64_t>(ReadU32(p + 4)) << 32;
}

inline void WriteU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline void WriteU64(uint8_t* p, uint64_t value) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The bytes of one index record whose name has `nameUnits` UTF-16 units: the name, its
// zero terminator, the offset and the size field.
constexpr uint64_t RecordSize(uint64_t nameUnits) { return 2 * (nameUnits + 1) + 16; }

// Writes the kHeaderSize bytes of a header at `out`: the signature, the record count and
// the data-area start as its two parts (a writer puts all of it into the first).
void WriteHeader(uint8_t* out, uint32_t count, uint64_t dataStartPart1, uint64_t dataStartPart2 = 0);

// Writes one index record of RecordSize(name.size()) bytes at `out`; returns its end.
uint8_t* WriteRecord(uint8_t* out, std::u16string_view name, uint64_t offset, uint64_t size);

// True when the view starts with the 16-byte signature.
bool HasSignature(const uint8_t* view, uint64_t viewSize);

// Where the data area starts, from a header of kHeaderSize bytes at `view`: its two parts
// added with 32-bit wrap-around, as they have always been added.
inline uint64_t DataStart(const uint8_t* view) {
  return static_cast<uint32_t>(ReadU32(view + 20) + ReadU32(view + 28));
}

// The byte behind the zero unit that ends the UTF-16 name at `p`, or null when the name
// runs to `end`. Four units per step: indexes are large and this is the loop that reading
// one spends its time in.
const uint8_t* FindNameEnd(const uint8_t* p, const uint8_t* end);

// Why ReadIndex refused an index, for reports.
struct IndexDamage {
  enum Kind {
    kNone,    // the index was read, or the view is shorter than the header
    kCount,   // the header counts more records than the file has room for
    kName,    // a record's name runs past the end
    kFields,  // a record's offset and size fields run past the end
  } kind = kNone;
  uint32_t count = 0;   // records the header counts
  uint64_t room = 0;    // records of the smallest size the file has room for
  uint32_t record = 0;  // the first record that does not fit, counted from 0
  uint64_t offset = 0;  // where that record begins
};

// Walks the index in order. `begin` gets the header's record count once it is known that
// the file has room for that many (so that a caller may reserve for them); `visit` then
// gets, for each record, where it begins (its name) and where its two 8-byte fields begin.
// False when the header or a record reaches past the end of the view; `damage` says where.
bool WalkIndex(const uint8_t* view, uint64_t viewSize, IndexDamage& damage, const std::function<void(uint32_t)>& begin,
               const std::function<void(const uint8_t* record, const uint8_t* fields)>& visit);
// The two checks of WalkIndex, for a walk of its own: the header's record count, when the
// view is a header long and has room for that many (`damage` cleared, or saying why not);
// and, for record `record` at `offset` that runs past the end, what `damage` says
// (`fields`: where its name ended, null when it did not).
bool ReadIndexCount(const uint8_t* view, uint64_t viewSize, IndexDamage& damage, uint32_t& count);
void NoteRecordDamage(IndexDamage& damage, const uint8_t* fields, uint32_t record, uint64_t offset);

// The entry a record walked by WalkIndex gives: its name, its data (null when the offset
// lies past the view) and its size field as stored.
RESENTRY RecordEntry(const uint8_t* view, uint64_t viewSize, const uint8_t* record, const uint8_t* fields);

// Replaces `out` with one record per index record. False when the header or any index
// record reaches past the end of the view (`out` is then empty; `damage`, when given,
// says where). The view must be at least 2-byte aligned, since names are handed out as
// UTF-16 pointers into it.
bool ReadIndex(const uint8_t* view, uint64_t viewSize, std::vector<RESENTRY>& out, IndexDamage* damage = nullptr);

// The four bytes that begin a wrapped image: "TGF" and a zero.
constexpr uint8_t kWrapMarker[4] = {'T', 'G', 'F', 0};
// True when the `size` bytes at `data` begin with the marker.
inline bool HasWrapMarker(const uint8_t* data, uint64_t size) {
  return data && size >= 4 && data[0] == kWrapMarker[0] && data[1] == kWrapMarker[1] && data[2] == kWrapMarker[2] &&
         data[3] == kWrapMarker[3];
}
// The header length field of a wrapped header of at least kWrapHeaderMin bytes.
inline uint32_t WrapHeaderLength(const uint8_t* data) { return ReadU32(data + 16); }
// Whether an entry of `size` bytes, whose first `available` bytes are at `data`, begins
// with a usable wrapped header: the marker, room for the length field, a length within
// the entry. Its length is then in `headerLength`.
bool ReadWrapHeader(const uint8_t* data, uint64_t available, uint64_t size, uint64_t& headerLength);

// An entry's bytes, after unwrapping, with the recognised image extension of those bytes.
struct EntryContent {
  bool valid = false;     // data range inside the view and size not negative
  bool wrapped = false;   // a usable "TGF\0" header was removed
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  const ResChar* ext = nullptr;  // a content type's extension, or an empty text
};

EntryContent ResolveContent(const uint8_t* view, uint64_t viewSize, const RESENTRY& entry);

// The extension of the content type of the first `size` bytes at `data` (see
// ContentTypes.h), or "".
const ResChar* SniffExtension(const uint8_t* data, uint64_t size);

}  // namespace pkg
}  // namespace sorv
