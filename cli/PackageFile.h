// An opened package: the mapped file, its index read by the shared reader, and the
// content of each entry as the window program sees it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/system/MappedFile.h"
#include "cli/system/NativePath.h"
#include "package/PackageFormat.h"
#include "package/ResEntry.h"

namespace rdbtool {

class PackageFile {
 public:
  // Maps the file, then checks the signature and reads the index. False with a reason when
  // the file cannot be read or is not a readable package; `mapped` tells which (a file
  // that maps but does not index can still be examined through File()).
  // With `readIndex` false only the header is checked: the caller reads the index in place
  // (update, which would otherwise hold a record per entry of 100,000s).
  bool Open(const NativePath& path, std::string& error, bool* mapped = nullptr, bool readIndex = true);
  // The same for the package given on the command line: "-" is standard input.
  bool OpenArgument(const std::string& argument, std::string& error, bool* mapped = nullptr, bool readIndex = true);
  // The reason Open gives for an index that runs past the end of the file.
  static const char kDamagedIndex[];

  const MappedFile& File() const { return file_; }
  MappedFile& File() { return file_; }
  const std::vector<RESENTRY>& Entries() const { return entries_; }
  // Data-area start from the header (0 when the file is shorter than the header).
  uint64_t DataStart() const;
  // Where the index reader gave up, when Open failed on the index.
  const sorv::pkg::IndexDamage& Damage() const { return damage_; }

  sorv::pkg::EntryContent Content(const RESENTRY& entry) const {
    return sorv::pkg::ResolveContent(file_.Data(), file_.Size(), entry);
  }

  // The stored name of an entry of this package (its terminator lies inside the view).
  static std::u16string_view Name(const RESENTRY& entry);

 private:
  bool ReadHeaderAndIndex(std::string& error, bool* mapped, bool readIndex);

  MappedFile file_;
  std::vector<RESENTRY> entries_;
  sorv::pkg::IndexDamage damage_;
};

}  // namespace rdbtool
