#include <windows.h>

#include <string>

#include "cli/system/Console.h"

namespace rdbtool {

namespace {

HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE h) {
  DWORD mode;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetFileType(h) == FILE_TYPE_CHAR &&
         GetConsoleMode(h, &mode);
}

}  // namespace

bool IsTerminal(Stream stream) { return IsConsole(Handle(stream)); }

bool WriteText(Stream stream, std::string_view text) {
  HANDLE h = Handle(stream);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return false;
  if (text.empty()) return true;
  if (IsConsole(h)) {
    // A console shows UTF-16 whatever its output code page.
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], units);
    const wchar_t* p = wide.data();
    DWORD left = static_cast<DWORD>(wide.size());
    while (left > 0) {
      DWORD written = 0;
      if (!WriteConsoleW(h, p, left, &written, nullptr) || written == 0) return false;
      p += written;
      left -= written;
    }
    return true;
  }
  return WriteBytes(stream, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool WriteBytes(Stream stream, const uint8_t* data, uint64_t size) {
  HANDLE h = Handle(stream);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return false;
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace rdbtool
