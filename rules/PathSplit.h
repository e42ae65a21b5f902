// Splitting an entry's stored name into drive, directory, file-name part and extension,
// the way the platform splits paths.
#pragma once
#include <cstddef>
#include <string>

namespace sorv {
namespace rules {

struct PathParts {
  std::u16string drive;  // the first unit and ":" when the second unit is ":"; else empty
  std::u16string dir;    // after the drive, up to and including the last "\" or "/"
  std::u16string fname;  // between the directory and the extension
  std::u16string ext;    // from the last "." of the last component on, dot included; or empty
};

// The full parts, without any length limit. Joined in order they give `path` back.
PathParts SplitPath(const std::u16string& path);

// Room for the file-name part and for the extension, terminator included: each part of
// SplitName holds at most kSplitRoom - 1 units.
constexpr size_t kSplitRoom = 256;

struct NameParts {
  std::u16string fname;
  std::u16string ext;
};

// The file-name part and extension of SplitPath, each cut at its end to fit kSplitRoom.
// Cutting a long part (rather than failing) keeps every entry listed; a surrogate pair is
// never split, so a cut may leave one unit less.
NameParts SplitName(const std::u16string& storedName);

// The first `maxUnits` units of `text`, one fewer when that would end inside a surrogate pair.
std::u16string CutToUnits(const std::u16string& text, size_t maxUnits);

}  // namespace rules
}  // namespace sorv
