// File names as the platform's file functions take them: bytes on the host, UTF-16 on
// Windows. Arguments reach the tool as UTF-8 on Windows (converted from the wide command
// line) and as they are on the host.
#pragma once
#include <string>

namespace rdbtool {

#if defined(_WIN32)
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

NativePath ToNativePath(const std::string& argument);
// For messages (UTF-8).
std::string DisplayPath(const NativePath& path);
// `dir` and `name` with one separator between them.
NativePath JoinPath(const NativePath& dir, const NativePath& name);

}  // namespace rdbtool
