// Text conversions for the tool's output and file names: stored names are UTF-16, the
// console, JSON and host file names are UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace rdbtool {

// UTF-8 of `text`. False when `text` holds an unpaired surrogate; `out` then carries
// U+FFFD in its place, which is fine for display but names a different file.
bool Utf16ToUtf8(std::u16string_view text, std::string& out);
std::string Utf16ToUtf8(std::u16string_view text);  // lossy form, for display

// UTF-16 of UTF-8 `text`. False on any malformed, overlong or surrogate sequence.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

// `text` as a JSON string literal, quotes included. An unpaired surrogate becomes U+FFFD:
// strict readers refuse the whole document for its \uXXXX escape. Returns false then (the
// text is not the exact name; give its units as well).
bool AppendJsonString(std::u16string_view text, std::string& out);

// `text` for a one-line listing: control characters become "?" and unpaired surrogates
// U+FFFD, so that every entry stays on its own line.
void AppendDisplayName(std::u16string_view text, std::string& out);

}  // namespace rdbtool
