#include <unistd.h>

#include <cerrno>

#include "cli/system/Console.h"

namespace rdbtool {

namespace {
int Fd(Stream stream) { return stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }
}  // namespace

bool IsTerminal(Stream stream) { return isatty(Fd(stream)) == 1; }

bool WriteText(Stream stream, std::string_view text) {
  return WriteBytes(stream, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool WriteBytes(Stream stream, const uint8_t* data, uint64_t size) {
  const uint8_t* p = data;
  uint64_t left = size;
  while (left > 0) {
    const ssize_t n = write(Fd(stream), p, left > (1u << 30) ? (1u << 30) : static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace rdbtool
