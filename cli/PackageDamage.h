// The words for a damaged package, as check reports it and as other commands repeat it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "package/PackageFormat.h"

namespace rdbtool {

class PackageFile;

// Where the index reader gave up. Empty when the index fits and the reader failed for
// another reason.
std::string DescribeIndexDamage(const sorv::pkg::IndexDamage& damage);

// Why the entry's data cannot be read (a negative size, data reaching past the end of the
// file), or empty when it lies inside the file.
std::string DescribeDataDamage(const PackageFile& package, const RESENTRY& entry);

// How a problem of one entry begins: entry 3 of 10 "ui/a.png".
std::string EntryLabel(size_t index, size_t total, std::u16string_view name);

}  // namespace rdbtool
