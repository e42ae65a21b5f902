// Wildcard patterns for --match, tested against whole stored names.
#pragma once
#include <string>
#include <string_view>

namespace rdbtool {

// "*" matches any run of characters, directory separators included ("*.png" matches
// "ui\a.png"); "?" matches one character; "[abc]", "[a-z]" and "[!abc]" (or "[^abc]")
// match one character of a set. "\" and "/" are the same separator in both the pattern and
// the name, and ASCII letters match either case, as names in packages are Windows paths.
// A "[" without its "]" is a literal "[". A surrogate pair counts as one character.
bool GlobMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace rdbtool
