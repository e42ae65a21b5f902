#include "package/ContentTypes.h"

#include <cstring>
#include <iterator>

namespace sorv {
namespace pkg {

namespace {

// Icon and cursor directories: after "reserved 0, type 1 or 2" an image count of 1 or more
// (files with several sizes are the usual case).
bool HasImages(const uint8_t* data, uint64_t size) { return size >= 6 && (data[4] != 0 || data[5] != 0); }

}  // namespace

// A JPEG is known by its start-of-image marker and the first byte of the next marker,
// whichever segment follows (JFIF, Exif, tables).
const ContentType kContentTypes[] = {
    {"png", RES_TEXT(".png"), "PNG image: begins 89 50 4E 47", {0x89, 0x50, 0x4E, 0x47}, 4, nullptr},
    {"jpg", RES_TEXT(".jpg"), "JPEG image: begins FF D8 FF", {0xFF, 0xD8, 0xFF}, 3, nullptr},
    {"bmp", RES_TEXT(".bmp"), "bitmap: begins \"BM\"", {0x42, 0x4D}, 2, nullptr},
    {"gif", RES_TEXT(".gif"), "GIF image: begins \"GIF\"", {0x47, 0x49, 0x46}, 3, nullptr},
    {"ico", RES_TEXT(".ico"), "icon: a directory of type 1 with one image or more", {0, 0, 1, 0}, 4, HasImages},
    {"cur", RES_TEXT(".cur"), "cursor: a directory of type 2 with one image or more", {0, 0, 2, 0}, 4, HasImages},
};
const size_t kContentTypeCount = std::size(kContentTypes);

const ContentType* SniffContentType(const uint8_t* data, uint64_t size) {
  if (!data) return nullptr;
  for (const ContentType& type : kContentTypes) {
    if (size < type.magicLength || std::memcmp(data, type.magic, type.magicLength) != 0) continue;
    if (!type.more || type.more(data, size)) return &type;
  }
  return nullptr;
}

const ContentType* ContentTypeOfExtension(const ResChar* ext) {
  if (!ext) return nullptr;
  for (const ContentType& type : kContentTypes) {
    size_t i = 0;
    while (type.ext[i] && ext[i] == type.ext[i]) ++i;
    if (type.ext[i] == 0 && ext[i] == 0) return &type;
  }
  return nullptr;
}

const char* ContentTypeName(const ResChar* ext) {
  const ContentType* type = ContentTypeOfExtension(ext);
  return type ? type->name : kNoContentTypeName;
}

std::string ContentTypeNames(std::string_view separator, bool withNone) {
  std::string text;
  for (const ContentType& type : kContentTypes) {
    if (!text.empty()) text += separator;
    text += type.name;
  }
  if (withNone) (text += separator) += kNoContentTypeName;
  return text;
}

}  // namespace pkg
}  // namespace sorv
