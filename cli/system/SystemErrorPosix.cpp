#include <cerrno>
#include <cstring>

#include "cli/system/SystemError.h"

namespace rdbtool {

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string LastSystemError() { return SystemErrorText(errno); }

}  // namespace rdbtool
