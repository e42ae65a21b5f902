// The text of the last system error (errno on the host, GetLastError on Windows).
#pragma once
#include <string>

namespace rdbtool {

std::string LastSystemError();
#if !defined(_WIN32)
std::string SystemErrorText(int error);
#endif

}  // namespace rdbtool
