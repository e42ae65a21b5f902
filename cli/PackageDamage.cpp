#include "cli/PackageDamage.h"

#include "cli/PackageFile.h"
#include "cli/Utf.h"

namespace rdbtool {

std::string DescribeIndexDamage(const sorv::pkg::IndexDamage& damage) {
  using sorv::pkg::IndexDamage;
  if (damage.kind == IndexDamage::kCount) {
    return "the header counts " + std::to_string(damage.count) + " entries, but the file has room for at most " +
           std::to_string(damage.room) + " index records";
  }
  if (damage.kind == IndexDamage::kNone) return std::string();
  return "index record " + std::to_string(damage.record + 1) + " of " + std::to_string(damage.count) + " (at offset " +
         std::to_string(damage.offset) + "): " +
         (damage.kind == IndexDamage::kName ? "its name runs past the end of the file"
                                            : "its offset and size fields run past the end of the file");
}

std::string DescribeDataDamage(const PackageFile& package, const RESENTRY& entry) {
  if (entry.nSize < 0) return "negative size " + std::to_string(entry.nSize);
  if (package.Content(entry).valid) return std::string();
  // The offset field follows the name's terminator inside the index.
  const std::u16string_view name = PackageFile::Name(entry);
  const uint8_t* fields = reinterpret_cast<const uint8_t*>(entry.pszName) + 2 * (name.size() + 1);
  const uint64_t start = package.DataStart() + sorv::pkg::ReadU32(fields);
  return "data at offset " + std::to_string(start) + " with size " + std::to_string(entry.nSize) +
         " reaches past the end of the file (" + std::to_string(package.File().Size()) + " bytes)";
}

std::string EntryLabel(size_t index, size_t total, std::u16string_view name) {
  std::string label = "entry " + std::to_string(index + 1) + " of " + std::to_string(total) + " \"";
  AppendDisplayName(name, label);
  return label + "\"";
}

}  // namespace rdbtool
