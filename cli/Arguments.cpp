#include "cli/Arguments.h"

namespace rdbtool {

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& options) {
  auto find = [&](const std::string& name) -> const OptionSpec* {
    for (const OptionSpec& option : options)
      if (name == option.name) return &option;
    return nullptr;
  };
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positionals_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      values_["--help"];
      continue;
    }
    if (arg[1] != '-' && arg.size() > 2) {
      // Short options run together, as getopt takes them: "-kv", "-vC out", "-Cout".
      for (size_t k = 1; k < arg.size(); ++k) {
        const std::string name = std::string("-") + arg[k];
        if (name == "-h") {
          values_["--help"];
          continue;
        }
        const OptionSpec* option = find(name);
        if (!option) throw UsageError("unknown option '" + name + "'" + (k > 1 ? " in '" + arg + "'" : ""));
        if (!option->takesValue) {
          values_[name];
          continue;
        }
        if (k + 1 < arg.size()) {
          values_[name].push_back(arg.substr(k + 1));
        } else {
          if (i + 1 >= args.size()) throw UsageError("option '" + name + "' needs a value");
          values_[name].push_back(args[++i]);
        }
        break;
      }
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    const OptionSpec* option = find(name);
    if (!option) throw UsageError("unknown option '" + name + "'");
    if (!option->takesValue) {
      if (hasValue) throw UsageError("option '" + name + "' takes no value");
      values_[name];
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) throw UsageError("option '" + name + "' needs a value");
      value = args[++i];
    }
    values_[name].push_back(value);
  }
}

std::vector<std::string> Arguments::Values(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

}  // namespace rdbtool
