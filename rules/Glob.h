// Wildcard patterns tested against whole stored names: rdbtool's --match and the window's find.
#pragma once
#include <string>
#include <string_view>

namespace sorv {
namespace rules {

// "*" matches any run of characters, directory separators included ("*.png" matches
// "ui\a.png"); "?" matches one character; "[abc]", "[a-z]" and "[!abc]" (or "[^abc]")
// match one character of a set. "\" and "/" are the same separator in both the pattern and
// the name, and ASCII letters match either case, as names in packages are Windows paths
// (unless `matchCase`, when every unit must be equal).
// A "[" without its "]" is a literal "[". A surrogate pair counts as one character.
bool GlobMatch(std::u16string_view pattern, std::u16string_view name, bool matchCase = false);

}  // namespace rules
}  // namespace sorv
