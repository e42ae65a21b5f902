#include "cli/PackageFile.h"

#include <new>

namespace rdbtool {

const char PackageFile::kDamagedIndex[] = "damaged package: the index runs past the end of the file (try 'rdbtool check')";

bool PackageFile::Open(const NativePath& path, std::string& error, bool* mapped, bool readIndex) {
  entries_.clear();
  damage_ = sorv::pkg::IndexDamage();
  if (mapped) *mapped = false;
  if (!file_.Open(path, error)) return false;
  return ReadHeaderAndIndex(error, mapped, readIndex);
}

bool PackageFile::OpenArgument(const std::string& argument, std::string& error, bool* mapped, bool readIndex) {
  if (argument != "-") return Open(ToNativePath(argument), error, mapped, readIndex);
  entries_.clear();
  damage_ = sorv::pkg::IndexDamage();
  if (mapped) *mapped = false;
  if (!file_.OpenStandardInput(error)) return false;
  return ReadHeaderAndIndex(error, mapped, readIndex);
}

bool PackageFile::ReadHeaderAndIndex(std::string& error, bool* mapped, bool readIndex) {
  if (mapped) *mapped = true;
  if (file_.Size() < sorv::pkg::kHeaderSize) {
    error = "not a package: shorter than the 36-byte header";
    return false;
  }
  if (!sorv::pkg::HasSignature(file_.Data(), file_.Size())) {
    error = "not a package: the signature does not match";
    return false;
  }
  if (!readIndex) return true;
  try {
    if (!sorv::pkg::ReadIndex(file_.Data(), file_.Size(), entries_, &damage_)) {
      error = kDamagedIndex;
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
  return sorv::pkg::DataStart(file_.Data());
}

std::u16string_view PackageFile::Name(const RESENTRY& entry) {
  // The view's bytes have no declared type; read them as UTF-16 units on every platform.
  const char16_t* name = reinterpret_cast<const char16_t*>(entry.pszName);
  size_t length = 0;
  while (name[length]) ++length;
  return std::u16string_view(name, length);
}

}  // namespace rdbtool
