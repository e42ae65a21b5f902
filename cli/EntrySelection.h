// Which entries a subcommand works on: --type (recognised content type), --match (glob on
// the stored name) and, for extract, exact stored names. Kinds combine with "and"; values
// of one kind with "or"; no values of a kind means no restriction.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rdbtool {

class EntrySelection {
 public:
  // A comma-separated list of type names (png, jpg, bmp, gif, ico, cur, none). False with
  // a message for an unknown name.
  bool AddTypes(const std::string& list, std::string& error);
  // A UTF-8 pattern (see GlobMatch). False when it is not valid UTF-8.
  bool AddPattern(const std::string& pattern, std::string& error);
  // An exact stored name, "/" and "\" alike, ASCII case ignored.
  bool AddName(const std::string& name, std::string& error);

  bool Selects(std::u16string_view storedName, const char* typeName);
  // The names given to AddName that no call of Selects has matched, as given.
  std::vector<std::string> UnmatchedNames() const;

 private:
  std::vector<std::string> types_;
  std::vector<std::u16string> patterns_;
  std::vector<std::u16string> names_;
  std::vector<std::string> namesAsGiven_;
  std::vector<bool> nameUsed_;
};

}  // namespace rdbtool
