#include <unistd.h>

#include <cerrno>

#include "Console.h"

namespace rdbtool {

namespace {
int Fd(Stream stream) { return stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }
}  // namespace

bool IsTerminal(Stream stream) { return isatty(Fd(stream)) == 1; }

bool WriteText(Stream stream, std::string_view text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(Fd(stream), p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace rdbtool
