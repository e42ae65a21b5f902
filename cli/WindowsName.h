// Whether two stored names name the same file on Windows, where extract and the window's
// export write them: "/" and "\" are one separator, and letters compare without case as
// the file system compares them, one UTF-16 unit against one. On Windows that is the
// export plan's own fold (the system's table); elsewhere a copy of the rule by the simple
// upper-case mapping (units beyond the Basic Multilingual Plane compare as they are).
#pragma once
#include <string>
#include <string_view>

#include "ExportPlan.h"

namespace rdbtool {

// The upper-case unit the file system compares `c` as: the simple upper-case mapping,
// leaving out the two mappings from beyond ASCII into it (dotless i, long s), which the
// file system does not make.
char16_t WindowsUpcase(char16_t c);

// WindowsUpcase as a fold over units.
void FoldLikeWindows(char16_t* units, size_t count);
// The fold names on Windows compare by: the export plan's there, FoldLikeWindows elsewhere.
sorv::app::FileNameFold WindowsFileNameFold();

// A text equal for exactly the names that collide: "/" made "\", every unit folded.
std::u16string WindowsNameKey(std::u16string_view name);

bool NamesCollideOnWindows(std::u16string_view a, std::u16string_view b);

}  // namespace rdbtool
