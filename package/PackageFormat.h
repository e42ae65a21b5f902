// Reading the package format: header, index, entry bounds, wrapped images and type
// signatures. Pure functions of bytes: every read stays inside [view, view + viewSize).
#pragma once
#include <cstdint>
#include <vector>

#include "ResEntry.h"

namespace sorv {
namespace pkg {

constexpr uint64_t kHeaderSize = 36;
constexpr uint64_t kSignatureSize = 16;
extern const uint8_t kSignature[kSignatureSize];

// Smallest index record: an empty name (one 16-bit zero) and the two 8-byte fields.
constexpr uint64_t kMinRecordSize = 18;
constexpr uint64_t kWrapHeaderMin = 20;

// True when the view starts with the 16-byte signature.
bool HasSignature(const uint8_t* view, uint64_t viewSize);

// Replaces `out` with one record per index record. False when the header or any index
// record reaches past the end of the view (`out` is then empty). The view must be at
// least 2-byte aligned, since names are handed out as UTF-16 pointers into it.
bool ReadIndex(const uint8_t* view, uint64_t viewSize, std::vector<RESENTRY>& out);

// An entry's bytes, after unwrapping, with the recognised image extension of those bytes.
struct EntryContent {
  bool valid = false;     // data range inside the view and size not negative
  bool wrapped = false;   // a usable "TGF\0" header was removed
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  const ResChar* ext = nullptr;  // one of the six extensions, or an empty text
};

EntryContent ResolveContent(const uint8_t* view, uint64_t viewSize, const RESENTRY& entry);

// ".png", ".bmp", ".gif", ".jpg", ".ico", ".cur" or "" for the first `size` bytes at `data`.
const ResChar* SniffExtension(const uint8_t* data, uint64_t size);

}  // namespace pkg
}  // namespace sorv
