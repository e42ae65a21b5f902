// Command-line parsing for one subcommand: options with or without a value, positional
// arguments, and "--" to end the options.
#pragma once
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace rdbtool {

// Bad usage: the tool prints the message with a hint to --help and exits with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  const char* name;   // "--type", "-C"
  bool takesValue;
};

class Arguments {
 public:
  // Parses `args` (the subcommand's own arguments). "--help" and "-h" are always known.
  // Accepts "--name value", "--name=value", "-C value", and short options run together
  // as getopt takes them ("-kv", "-vC DIR", "-CDIR"). Throws UsageError.
  Arguments(const std::vector<std::string>& args, std::initializer_list<OptionSpec> options)
      : Arguments(args, std::vector<OptionSpec>(options)) {}
  Arguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& options);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // Every value given for `name`, in order.
  std::vector<std::string> Values(const std::string& name) const;
  const std::vector<std::string>& Positionals() const { return positionals_; }
  bool WantsHelp() const { return Has("--help"); }

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positionals_;
};

}  // namespace rdbtool
