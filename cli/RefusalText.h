// The reason for a refused export name, as rdbtool's messages give it.
#pragma once
#include "rules/ExportPath.h"

namespace rdbtool {

const char* RefusalText(sorv::rules::ExportRefusal refusal);

}  // namespace rdbtool
