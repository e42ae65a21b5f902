// Which entries a subcommand works on: --type (the window's type filter names, matched on
// the name's extension as the window does, and recognised content types), --match (glob on
// the stored name) and exact stored names. Kinds combine with "and"; values of one kind
// with "or"; no values of a kind means no restriction.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rdbtool {

// The window's filter names ("all, images, png, ...") in the order of its list.
std::string FilterTypeNames();
// One line per content type, for help texts: "  png   PNG image: begins 89 50 4E 47".
std::string ContentTypeHelp();

class EntrySelection {
 public:
  // A comma-separated list of type names, any case: the window's filter names (all,
  // images, png, jpg, bmp, gft, ico, xml, gmd, lua: the name's extension, as the window's
  // type filter lists entries) and the content types (png, jpg, bmp, gif, ico, cur, none:
  // what the content is recognised as). A name that is both selects an entry that is
  // either. False with a message for an unknown name.
  bool AddTypes(const std::string& list, std::string& error);
  // A UTF-8 pattern (see GlobMatch). False when it is not valid UTF-8.
  bool AddPattern(const std::string& pattern, std::string& error);
  // A stored name, "/" and "\" alike, or the name extract writes for a wrapped entry
  // (the name and its image's extension). Entries stored with exactly this name (letter
  // case and all) are selected when there are any (see SeeName); otherwise ASCII case is
  // ignored. With SelectSubtrees, the name also selects every entry below it as a folder.
  bool AddName(const std::string& name, std::string& error);
  // A stored name as its UTF-16 units, decimal and comma-separated ("100,55296,120"): the
  // way to name an entry whose stored name is not valid Unicode. Matched exactly.
  bool AddUnits(const std::string& units, std::string& error);
  // Entries whose names match `pattern` (as --match) are never selected.
  bool AddExclusion(const std::string& pattern, std::string& error);
  void SelectSubtrees() { subtrees_ = true; }

  // Names given: the caller shows every entry to SeeName before the first Selects, so
  // that a name stored exactly so selects only those entries.
  bool HasNames() const { return !names_.empty(); }
  // The longest name given, in UTF-16 units: a stored name at least this long never needs
  // its appended extension for a match.
  size_t LongestName() const { return longestName_; }
  void SeeName(std::u16string_view storedName, std::u16string_view appendedExt);

  // `appendedExt`: what extract appends to the entry's file name (a wrapped image's
  // extension), so that the name extract writes selects the entry too.
  bool Selects(std::u16string_view storedName, const char* typeName, std::u16string_view appendedExt = {});
  // The names given to AddName that no call of Selects has matched, as given.
  std::vector<std::string> UnmatchedNames() const;
  // The patterns that matched no selected entry, as given.
  std::vector<std::string> UnmatchedPatterns() const;

  // How a stored name matches the name (or units) given first, for a caller that scans
  // the entries once and chooses itself (cat): exactly, ignoring ASCII case, or not.
  enum class Match { kNone, kCaseBlind, kExact };
  Match MatchOfFirst(std::u16string_view storedName, std::u16string_view appendedExt) const {
    return names_.empty() ? Match::kNone : NameMatch(names_.front(), storedName, appendedExt);
  }
  // Whether some name given could be `storedName` with an appended extension: only then
  // must the caller find the entry's extension (which reads its data).
  bool MayNeedExtension(std::u16string_view storedName) const;

  // Reports on standard error, for `command`, each name and pattern that selected nothing,
  // and --type when nothing at all was selected. True when anything was reported.
  bool ReportUnmatched(const char* command) const;

 private:
  struct TypeChoice {
    int filter = -1;      // the window's filter choice, or -1
    std::string content;  // the content type name, or empty
  };
  std::vector<TypeChoice> types_;
  std::vector<std::string> typesAsGiven_;
  std::vector<std::u16string> patterns_;
  std::vector<std::string> patternsAsGiven_;
  std::vector<bool> patternUsed_;
  struct Name {
    std::u16string text;
    std::string asGiven;
    bool units = false;     // given as units: exact, no folding, no subtree
    bool exactSeen = false;  // some entry is stored exactly so
    bool used = false;
  };
  Match NameMatch(const Name& name, std::u16string_view stored, std::u16string_view ext) const;
  std::vector<Name> names_;
  size_t longestName_ = 0;
  bool subtrees_ = false;
  std::vector<std::u16string> exclusions_;
  std::vector<size_t> matched_;  // scratch: the patterns matching the current name
  size_t selected_ = 0;
};

}  // namespace rdbtool
