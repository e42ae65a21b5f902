// The content types an entry's bytes are recognised as, one row each: the name rdbtool
// shows and selects by, the extension a wrapped entry's file gets, a line for help texts,
// and the signature test. Sniffing, rdbtool's --type, info and the help texts all read
// this table, so a new type is one row here (and its case in the sniffing test).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/ResEntry.h"

namespace sorv {
namespace pkg {

struct ContentType {
  const char* name;      // lower case: "png"
  const ResChar* ext;    // with its dot: ".png"
  const char* help;      // what the content is and how it is known, for help texts
  uint8_t magic[4];      // the first bytes
  uint8_t magicLength;
  // A further test on the data once the first bytes match (null: none); `size` is at
  // least magicLength.
  bool (*more)(const uint8_t* data, uint64_t size);
};

// In listing order. The signatures exclude each other, so the order does not decide a match.
extern const ContentType kContentTypes[];
extern const size_t kContentTypeCount;
// rdbtool's name for content of none of the types.
constexpr const char* kNoContentTypeName = "none";

// The type of the first `size` bytes at `data` (null `data`: none), or null.
const ContentType* SniffContentType(const uint8_t* data, uint64_t size);
// The type with extension `ext` (as SniffContentType's rows give it), or null.
const ContentType* ContentTypeOfExtension(const ResChar* ext);
// The name of the type with extension `ext`, or kNoContentTypeName.
const char* ContentTypeName(const ResChar* ext);
// The names in table order joined by `separator`, then kNoContentTypeName when `withNone`.
std::string ContentTypeNames(std::string_view separator, bool withNone);

}  // namespace pkg
}  // namespace sorv
