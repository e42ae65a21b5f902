#include "cli/EntrySelection.h"

#include <cstring>

#include "cli/Commands.h"
#include "cli/Utf.h"
#include "package/ContentTypes.h"
#include "platform/TextRules.h"
#include "rules/Glob.h"
#include "rules/PathSplit.h"
#include "rules/TypeFilter.h"

namespace rdbtool {

namespace {

char16_t Separated(char16_t c) { return c == u'\\' ? u'/' : c; }

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : separator) + p;
  return text;
}

}  // namespace

std::string FilterTypeNames() {
  std::vector<std::string> names;
  for (int i = 0; i < sorv::rules::kFilterCount; ++i) names.push_back(sorv::rules::FilterName(i));
  return Join(names, ", ");
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
      if (name == sorv::rules::FilterName(i)) choice.filter = i;
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
  Name n;
  if (!Utf8ToUtf16(name, n.text)) {
    error = "the name '" + name + "' is not valid UTF-8 (give a name that is not valid Unicode as --units)";
    return false;
  }
  // "ui/" names the folder ui.
  while (subtrees_ && n.text.size() > 1 && sorv::IsSeparator(n.text.back())) n.text.pop_back();
  n.asGiven = name;
  if (n.text.size() > longestName_) longestName_ = n.text.size();
  names_.push_back(std::move(n));
  return true;
}

bool EntrySelection::AddUnits(const std::string& units, std::string& error) {
  Name n;
  size_t start = 0;
  while (start <= units.size()) {
    size_t comma = units.find(',', start);
    if (comma == std::string::npos) comma = units.size();
    const std::string number = units.substr(start, comma - start);
    unsigned long value = 0;
    bool ok = !number.empty() && number.size() <= 5;
    for (char c : number) ok = ok && c >= '0' && c <= '9';
    if (ok) value = std::stoul(number);
    if (!ok || value == 0 || value > 0xFFFF) {
      error = "--units '" + units + "': expects UTF-16 units from 1 to 65535, separated by commas";
      return false;
    }
    n.text += static_cast<char16_t>(value);
    start = comma + 1;
  }
  n.asGiven = "--units " + units;
  n.units = true;
  if (n.text.size() > longestName_) longestName_ = n.text.size();
  names_.push_back(std::move(n));
  return true;
}

bool EntrySelection::AddExclusion(const std::string& pattern, std::string& error) {
  std::u16string wide;
  if (!Utf8ToUtf16(pattern, wide)) {
    error = "the --exclude pattern is not valid UTF-8";
    return false;
  }
  exclusions_.push_back(wide);
  return true;
}

EntrySelection::Match EntrySelection::NameMatch(const Name& name, std::u16string_view stored,
                                                std::u16string_view ext) const {
  const std::u16string& given = name.text;
  if (name.units) return stored == given ? Match::kExact : Match::kNone;
  // The given name is the stored name, the stored name and its appended extension, or
  // (for subtrees) the stored name's leading folders.
  const bool whole = stored.size() == given.size();
  const bool withExt = !ext.empty() && stored.size() + ext.size() == given.size();
  const bool below = subtrees_ && !given.empty() && stored.size() > given.size() && sorv::IsSeparator(stored[given.size()]);
  if (!whole && !withExt && !below) return Match::kNone;
  const size_t compared = below ? given.size() : stored.size();  // units of the stored name compared
  bool exact = true;
  for (size_t i = 0; i < given.size(); ++i) {
    const char16_t a = Separated(given[i]);
    const char16_t b = Separated(i < compared ? stored[i] : ext[i - compared]);
    if (a == b) continue;
    if (sorv::LowerAscii(a) != sorv::LowerAscii(b)) return Match::kNone;
    exact = false;
  }
  return exact ? Match::kExact : Match::kCaseBlind;
}

bool EntrySelection::MayNeedExtension(std::u16string_view stored) const {
  for (const Name& n : names_) {
    if (n.units || stored.size() >= n.text.size() || n.text[stored.size()] != u'.') continue;
    size_t i = 0;
    while (i < stored.size() && sorv::LowerAscii(Separated(n.text[i])) == sorv::LowerAscii(Separated(stored[i]))) ++i;
    if (i == stored.size()) return true;
  }
  return false;
}

void EntrySelection::SeeName(std::u16string_view storedName, std::u16string_view appendedExt) {
  for (Name& n : names_)
    if (!n.exactSeen && NameMatch(n, storedName, appendedExt) == Match::kExact) n.exactSeen = true;
}

bool EntrySelection::Selects(std::u16string_view storedName, const char* typeName, std::u16string_view appendedExt) {
  for (const std::u16string& excluded : exclusions_)
    if (sorv::rules::GlobMatch(excluded, storedName)) return false;
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
    for (Name& n : names_) {
      const Match match = NameMatch(n, storedName, appendedExt);
      if (match == Match::kExact || (match == Match::kCaseBlind && !n.exactSeen)) {
        n.used = true;
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
  for (const Name& n : names_)
    if (!n.used) out.push_back(n.asGiven);
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
    const char* filters = exclusions_.empty() ? "--type/--match" : "--type/--match/--exclude";
    Report(command, name + ": no such entry (or excluded by " + filters + ")");
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
