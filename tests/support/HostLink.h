// Symbolic links for the Windows tests: made by the system where it can, and under Wine as
// a host (Unix) link inside the Wine-visible folder, which is what a user of that setup
// finds there.
#pragma once
#include <string>

// Makes `link` point to `target` (both Windows paths). True when a link now has that name.
bool MakeHostSymlink(const std::wstring& link, const std::wstring& target);
// A link made with the system's own call (CreateSymbolicLinkW); false where the platform
// does not make one (some Wine versions answer TRUE and make nothing).
bool MakeSystemSymlink(const std::wstring& link, const std::wstring& target, bool directory);
