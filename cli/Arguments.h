// A command's options as one table (short name, long name, whether it takes a value, help
// text) and the parse of its arguments by that table into one record, before it runs.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace rdbtool {

// Bad usage: the tool prints the message with a hint to --help and exits with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One option as the user sees it.
struct OptionInfo {
  char shortName;         // 'k' for -k; 0 when it has none
  const char* longName;   // "keep-old-files" for --keep-old-files; nullptr when it has none
  const char* valueName;  // "DIR" for an option that takes a value; nullptr for a flag
  const char* help;       // its text in --help (wrapped there; "\n" starts a new line)

  bool TakesValue() const { return valueName != nullptr; }
  // Every name it is given by: "-k", "--keep-old-files".
  std::vector<std::string> Names() const;
  // How --help shows it: "-k, --keep-old-files", "-C DIR".
  std::string Label() const;
};

// One run's arguments as the table reads them: each option given (its row, and its value
// or "" for a flag) in the order given, and the rest.
struct ParsedArguments {
  struct Given {
    size_t option;
    std::string value;
  };
  std::vector<Given> given;
  std::vector<std::string> positionals;
  bool help = false;  // "--help" or "-h", which every command knows
};

// Reads `args` (a command's own arguments) by `options`. Accepts "--name value",
// "--name=value", "-C value", short options run together as getopt takes them ("-kv",
// "-vC DIR", "-CDIR"), "--" to end the options, and "-" as an argument. Throws UsageError.
ParsedArguments ParseArguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& options);

// The option lines of a help text: each label, then its help, wrapped below column 80.
std::string OptionHelp(const std::vector<OptionInfo>& options);

// What every command's record holds besides its options: the other arguments, in order.
class Arguments {
 public:
  const std::vector<std::string>& Positionals() const { return positionals_; }

 private:
  template <class Record>
  friend class OptionTable;
  std::vector<std::string> positionals_;
};

// A command's option table, each row bound to the field of `Record` it fills: a flag sets
// a bool, an option with a value adds each value to a list (a command that takes one
// value decides what two of them mean).
template <class Record>
class OptionTable {
 public:
  struct Row {
    Row(char shortName, const char* longName, bool Record::*flag, const char* help)
        : info{shortName, longName, nullptr, help}, flag(flag) {}
    Row(char shortName, const char* longName, const char* valueName, std::vector<std::string> Record::*values,
        const char* help)
        : info{shortName, longName, valueName, help}, values(values) {}

    OptionInfo info;
    bool Record::*flag = nullptr;
    std::vector<std::string> Record::*values = nullptr;
  };

  OptionTable(std::initializer_list<Row> rows) : rows_(rows) {}

  std::vector<OptionInfo> Infos() const {
    std::vector<OptionInfo> infos;
    for (const Row& row : rows_) infos.push_back(row.info);
    return infos;
  }

  // `parsed` must come from ParseArguments with Infos().
  Record Fill(const ParsedArguments& parsed) const {
    Record record;
    for (const ParsedArguments::Given& given : parsed.given) {
      const Row& row = rows_[given.option];
      if (row.flag)
        record.*row.flag = true;
      else
        (record.*row.values).push_back(given.value);
    }
    record.positionals_ = parsed.positionals;
    return record;
  }

 private:
  std::vector<Row> rows_;
};

}  // namespace rdbtool
