// How the commands write an entry: its name as list shows it, and its JSON object.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "package/PackageFormat.h"
#include "package/ResEntry.h"

namespace rdbtool {

// Decimal digits of `value`.
void AppendNumber(uint64_t value, std::string& out);
void AppendSigned(int64_t value, std::string& out);

// The stored name for a one-line listing, with the platform's separator ("/" on the host,
// "\" on Windows); control characters show as "?" (see AppendDisplayName).
void AppendShownName(std::u16string_view name, std::string& out);

// The name as its UTF-16 units, a JSON array of numbers.
void AppendUnits(std::u16string_view name, std::string& out);

// The entry named `name` with `content` (its resolved content) as a JSON object: {"name",
// "stored_name", "stored_units" (only for a name that is not valid Unicode), "size", "type", "wrapped", "inside", "content_size"} (see list --help).
void AppendEntryJson(std::u16string_view name, const RESENTRY& entry, const sorv::pkg::EntryContent& content,
                     std::string& out);

}  // namespace rdbtool
