// Whether two stored names name the same file on Windows, where extract and the window's
// export write them: "/" and "\" are one separator, and letters compare without case as
// the file system compares them (one UTF-16 unit against one, by simple upper-case
// mapping; units beyond the Basic Multilingual Plane compare as they are).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace rdbtool {

// The upper-case unit the file system compares `c` as: the simple upper-case mapping,
// leaving out the two mappings from beyond ASCII into it (dotless i, long s), which the
// file system does not make.
char16_t WindowsUpcase(char16_t c);

// A text equal for exactly the names that collide: "/" made "\", every unit upper-cased.
std::u16string WindowsNameKey(std::u16string_view name);

bool NamesCollideOnWindows(std::u16string_view a, std::u16string_view b);

// A 64-bit digest of WindowsNameKey(name), made without building the key: names that
// collide have the same digest.
uint64_t WindowsNameDigest(std::u16string_view name);

}  // namespace rdbtool
