// Host file systems here compare names byte for byte.
#include "rules/ExportPlan.h"

namespace sorv {
namespace rules {

FileNameFold PlatformFileNameFold() { return nullptr; }

}  // namespace rules
}  // namespace sorv
