#include <windows.h>

#include "cli/Utf.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

std::string LastSystemError() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                 nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                 reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message;
  if (n && text) {
    message.assign(text, text + n);
    while (!message.empty() && (message.back() == u' ' || message.back() == u'.')) message.pop_back();
  }
  if (text) LocalFree(text);
  std::string out = "error " + std::to_string(code);
  if (!message.empty()) out = Utf16ToUtf8(message) + " (" + out + ")";
  return out;
}

}  // namespace rdbtool
