#include <cerrno>
#include <cstring>

#include "cli/SystemError.h"

namespace rdbtool {

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string LastSystemError() { return SystemErrorText(errno); }

}  // namespace rdbtool
