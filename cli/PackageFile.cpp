#include "PackageFile.h"

#include <new>

namespace rdbtool {

const char* const kTypeNames[7] = {"png", "jpg", "bmp", "gif", "ico", "cur", "none"};

const char* TypeName(const ResChar* ext) {
  if (!ext || ext[0] != '.') return "none";
  // The reader's extensions are ".png" and so on; match on their letters.
  for (int i = 0; i < 6; ++i) {
    const char* t = kTypeNames[i];
    if (ext[1] == t[0] && ext[2] == t[1] && ext[3] == t[2] && ext[4] == 0) return t;
  }
  return "none";
}

bool PackageFile::Open(const NativePath& path, std::string& error, bool* mapped) {
  entries_.clear();
  if (mapped) *mapped = false;
  if (!file_.Open(path, error)) return false;
  if (mapped) *mapped = true;
  if (file_.Size() < sorv::pkg::kHeaderSize) {
    error = "not a package: shorter than the 36-byte header";
    return false;
  }
  if (!sorv::pkg::HasSignature(file_.Data(), file_.Size())) {
    error = "not a package: the signature does not match";
    return false;
  }
  try {
    if (!sorv::pkg::ReadIndex(file_.Data(), file_.Size(), entries_)) {
      error = "damaged package: the index runs past the end of the file (try 'rdbtool check')";
      return false;
    }
  } catch (const std::bad_alloc&) {
    entries_.clear();
    error = "out of memory while reading the index";
    return false;
  }
  return true;
}

uint64_t PackageFile::DataStart() const {
  if (file_.Size() < sorv::pkg::kHeaderSize) return 0;
  const uint8_t* p = file_.Data();
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(p[at]) | static_cast<uint32_t>(p[at + 1]) << 8 |
           static_cast<uint32_t>(p[at + 2]) << 16 | static_cast<uint32_t>(p[at + 3]) << 24;
  };
  return static_cast<uint32_t>(u32(20) + u32(28));  // the reader adds them with 32-bit wrap-around
}

std::u16string_view PackageFile::Name(const RESENTRY& entry) {
  // The view's bytes have no declared type; read them as UTF-16 units on every platform.
  const char16_t* name = reinterpret_cast<const char16_t*>(entry.pszName);
  size_t length = 0;
  while (name[length]) ++length;
  return std::u16string_view(name, length);
}

}  // namespace rdbtool
