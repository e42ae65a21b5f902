#include "cli/EntryOutput.h"

#include <charconv>

#include "cli/Utf.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

void AppendJsonShownName(std::u16string_view name, std::string& out) {
#if !defined(_WIN32)
  std::u16string shown(name);
  for (char16_t& c : shown)
    if (c == u'\\') c = u'/';
  AppendJsonString(shown, out);
#else
  AppendJsonString(name, out);
#endif
}

}  // namespace

// The name as its UTF-16 units: [100,92,56321].
void AppendUnits(std::u16string_view name, std::string& out) {
  out += '[';
  for (size_t i = 0; i < name.size(); ++i) {
    if (i) out += ',';
    AppendNumber(name[i], out);
  }
  out += ']';
}

void AppendNumber(uint64_t value, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendSigned(int64_t value, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendShownName(std::u16string_view name, std::string& out) {
  const size_t from = out.size();
  AppendDisplayName(name, out);
#if !defined(_WIN32)
  for (size_t i = from; i < out.size(); ++i)
    if (out[i] == '\\') out[i] = '/';
#else
  (void)from;
#endif
}

void AppendEntryJson(std::u16string_view name, const RESENTRY& entry, const sorv::pkg::EntryContent& content,
                     std::string& out) {
  out += "{\"name\":";
  AppendJsonShownName(name, out);
  out += ",\"stored_name\":";
  if (!AppendJsonString(name, out)) {
    // Not valid Unicode: the texts above have U+FFFD in its place; these are exact.
    out += ",\"stored_units\":";
    AppendUnits(name, out);
  }
  out += ",\"size\":";
  AppendSigned(entry.nSize, out);
  out += ",\"type\":\"";
  out += sorv::pkg::ContentTypeName(content.ext);
  out += content.wrapped ? "\",\"wrapped\":true" : "\",\"wrapped\":false";
  out += content.valid ? ",\"inside\":true,\"content_size\":" : ",\"inside\":false,\"content_size\":null}";
  if (content.valid) {
    AppendNumber(content.size, out);
    out += '}';
  }
}

}  // namespace rdbtool
