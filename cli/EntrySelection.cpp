#include "cli/EntrySelection.h"

#include <cstring>
#include <iterator>

#include "cli/Commands.h"
#include "package/ContentTypes.h"
#include "rules/Glob.h"
#include "rules/PathSplit.h"
#include "platform/TextRules.h"
#include "rules/TypeFilter.h"
#include "cli/Utf.h"

namespace rdbtool {

namespace {

char16_t Fold(char16_t c) { return c == u'\\' ? u'/' : sorv::LowerAscii(c); }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// The window's type filter, in the order of its drop-down list.
const char* const kFilterNames[sorv::rules::kFilterCount] = {"all", "images", "png", "jpg", "bmp",
                                                          "gft", "ico",    "xml", "gmd", "lua"};

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : separator) + p;
  return text;
}

}  // namespace

std::string FilterTypeNames() {
  return Join(std::vector<std::string>(std::begin(kFilterNames), std::end(kFilterNames)), ", ");
}

std::string ContentTypeHelp() {
  std::string text;
  for (size_t i = 0; i < sorv::pkg::kContentTypeCount; ++i) {
    const sorv::pkg::ContentType& type = sorv::pkg::kContentTypes[i];
    text += std::string("  ") + type.name + std::string(6 - std::strlen(type.name), ' ') + type.help + "\n";
  }
  return text + "  " + sorv::pkg::kNoContentTypeName + "  none of these\n";
}

bool EntrySelection::AddTypes(const std::string& list, std::string& error) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string name = sorv::Lower(list.substr(start, comma - start));
    if (name == "jpeg") name = "jpg";
    TypeChoice choice;
    for (int i = 0; i < sorv::rules::kFilterCount; ++i)
      if (name == kFilterNames[i]) choice.filter = i;
    for (size_t i = 0; i < sorv::pkg::kContentTypeCount; ++i)
      if (name == sorv::pkg::kContentTypes[i].name) choice.content = name;
    if (name == sorv::pkg::kNoContentTypeName) choice.content = name;
    if (choice.filter < 0 && choice.content.empty()) {
      error = "unknown type '" + list.substr(start, comma - start) + "' (known: " + FilterTypeNames() +
              " by extension as the window's filter; " + sorv::pkg::ContentTypeNames(", ", true) + " by content)";
      return false;
    }
    types_.push_back(choice);
    typesAsGiven_.push_back(list.substr(start, comma - start));
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
  patternsAsGiven_.push_back(pattern);
  patternUsed_.push_back(false);
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
    std::u16string ext;
    bool haveExt = false;
    for (const TypeChoice& t : types_) {
      if (!t.content.empty() && std::strcmp(t.content.c_str(), typeName) == 0) any = true;
      if (!any && t.filter >= 0) {
        if (!haveExt) {
          ext = sorv::rules::SplitName(std::u16string(storedName)).ext;  // as the window fills szExt
          haveExt = true;
        }
        any = sorv::rules::IsListed(t.filter, ext);
      }
      if (any) break;
    }
    if (!any) return false;
  }
  if (!patterns_.empty()) {
    matched_.clear();
    for (size_t i = 0; i < patterns_.size(); ++i)
      if (sorv::rules::GlobMatch(patterns_[i], storedName)) matched_.push_back(i);
    if (matched_.empty()) return false;
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
  if (!patterns_.empty())
    for (size_t i : matched_) patternUsed_[i] = true;
  ++selected_;
  return true;
}

std::vector<std::string> EntrySelection::UnmatchedNames() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < names_.size(); ++i)
    if (!nameUsed_[i]) out.push_back(namesAsGiven_[i]);
  return out;
}

std::vector<std::string> EntrySelection::UnmatchedPatterns() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < patterns_.size(); ++i)
    if (!patternUsed_[i]) out.push_back(patternsAsGiven_[i]);
  return out;
}

bool EntrySelection::ReportUnmatched(const char* command) const {
  bool reported = false;
  for (const std::string& name : UnmatchedNames()) {
    Report(command, name + ": no such entry (or excluded by --type/--match)");
    reported = true;
  }
  for (const std::string& pattern : UnmatchedPatterns()) {
    Report(command, "--match '" + pattern + "' matches no entry" + (types_.empty() ? "" : " (of the types chosen)"));
    reported = true;
  }
  if (!reported && selected_ == 0 && !types_.empty()) {
    Report(command, "--type " + Join(typesAsGiven_, ",") + ": no entry of these types");
    reported = true;
  }
  return reported;
}

}  // namespace rdbtool
