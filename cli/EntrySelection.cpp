#include "EntrySelection.h"

#include <cstring>

#include "Glob.h"
#include "PackageFile.h"
#include "Utf.h"

namespace rdbtool {

namespace {

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  return c == u'\\' ? u'/' : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

bool EntrySelection::AddTypes(const std::string& list, std::string& error) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string name = Lower(list.substr(start, comma - start));
    if (name == "jpeg") name = "jpg";
    bool known = false;
    for (const char* t : kTypeNames) known = known || name == t;
    if (!known) {
      error = "unknown type '" + list.substr(start, comma - start) +
              "' (known: png, jpg, bmp, gif, ico, cur, none)";
      return false;
    }
    types_.push_back(name);
    start = comma + 1;
  }
  return true;
}

bool EntrySelection::AddPattern(const std::string& pattern, std::string& error) {
  std::u16string wide;
  if (!Utf8ToUtf16(pattern, wide)) {
    error = "the pattern is not valid UTF-8";
    return false;
  }
  patterns_.push_back(wide);
  return true;
}

bool EntrySelection::AddName(const std::string& name, std::string& error) {
  std::u16string wide;
  if (!Utf8ToUtf16(name, wide)) {
    error = "the name '" + name + "' is not valid UTF-8";
    return false;
  }
  names_.push_back(wide);
  namesAsGiven_.push_back(name);
  nameUsed_.push_back(false);
  return true;
}

bool EntrySelection::Selects(std::u16string_view storedName, const char* typeName) {
  if (!types_.empty()) {
    bool any = false;
    for (const std::string& t : types_) any = any || std::strcmp(t.c_str(), typeName) == 0;
    if (!any) return false;
  }
  if (!patterns_.empty()) {
    bool any = false;
    for (const std::u16string& p : patterns_) any = any || GlobMatch(p, storedName);
    if (!any) return false;
  }
  if (!names_.empty()) {
    bool any = false;
    for (size_t i = 0; i < names_.size(); ++i) {
      if (SameName(names_[i], storedName)) {
        nameUsed_[i] = true;
        any = true;
      }
    }
    if (!any) return false;
  }
  return true;
}

std::vector<std::string> EntrySelection::UnmatchedNames() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < names_.size(); ++i)
    if (!nameUsed_[i]) out.push_back(namesAsGiven_[i]);
  return out;
}

}  // namespace rdbtool
