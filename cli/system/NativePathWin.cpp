#include "cli/Utf.h"
#include "cli/system/NativePath.h"

namespace rdbtool {

NativePath ToNativePath(const std::string& argument) {
  std::u16string wide;
  Utf8ToUtf16(argument, wide);  // arguments came from UTF-16, so they convert back
  return std::wstring(wide.begin(), wide.end());
}

std::string DisplayPath(const NativePath& path) {
  return Utf16ToUtf8(std::u16string(path.begin(), path.end()));
}

NativePath JoinPath(const NativePath& dir, const NativePath& name) {
  if (dir.empty()) return name;
  const wchar_t last = dir.back();
  return (last == L'\\' || last == L'/' || last == L':') ? dir + name : dir + L"\\" + name;
}

}  // namespace rdbtool
