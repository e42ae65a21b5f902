// The reason for a refused export name, and the name itself, as rdbtool's messages give
// them.
#pragma once
#include <string>
#include <string_view>

#include "rules/ExportPath.h"

namespace rdbtool {

const char* RefusalText(sorv::rules::ExportRefusal refusal);

// An entry's name for a message: as AppendDisplayName shows it, cut after its first
// kShownNameLength characters with "…" (a package may hold names of megabytes).
constexpr size_t kShownNameLength = 256;
std::string NameInMessage(std::u16string_view name);

}  // namespace rdbtool
