// Host file systems here compare names byte for byte.
#include "rules/ExportPlan.h"

namespace sorv {
namespace app {

FileNameFold PlatformFileNameFold() { return nullptr; }

}  // namespace app
}  // namespace sorv
