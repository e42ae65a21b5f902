#include "cli/Arguments.h"

#include <algorithm>

namespace rdbtool {

namespace {

constexpr size_t kHelpColumn = 16;  // where the options' help texts begin
constexpr size_t kLineWidth = 80;

// The row named `name` ("-k", "--keep-old-files"), or options.size().
size_t Find(const std::vector<OptionInfo>& options, const std::string& name) {
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionInfo& option = options[i];
    if (name.size() == 2 && name[0] == '-' && option.shortName && name[1] == option.shortName) return i;
    if (name.size() > 2 && name.compare(0, 2, "--") == 0 && option.longName && name.compare(2, std::string::npos, option.longName) == 0)
      return i;
  }
  return options.size();
}

// Appends `text` wrapped before kLineWidth, each line after the first indented to
// kHelpColumn; `column` is where the first line goes on from. "\n" starts a new line.
void AppendWrapped(const std::string& text, size_t column, std::string& out) {
  bool lineEmpty = true;  // the first word of a line always goes on it
  size_t at = 0;
  while (true) {
    const size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const size_t length = end - at;
    if (!lineEmpty && column + 1 + length > kLineWidth) {
      out += "\n" + std::string(kHelpColumn, ' ');
      column = kHelpColumn;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out.append(text, at, length);
    column += length;
    lineEmpty = false;
    if (end == text.size()) break;
    if (text[end] == '\n') {
      out += "\n" + std::string(kHelpColumn, ' ');
      column = kHelpColumn;
      lineEmpty = true;
    }
    at = end + 1;
  }
  out += '\n';
}

}  // namespace

std::vector<std::string> OptionInfo::Names() const {
  std::vector<std::string> names;
  if (shortName) names.push_back(std::string("-") + shortName);
  if (longName) names.push_back(std::string("--") + longName);
  return names;
}

std::string OptionInfo::Label() const {
  std::string label;
  for (const std::string& name : Names()) label += (label.empty() ? "" : ", ") + name;
  if (valueName) label += std::string(" ") + valueName;
  return label;
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, const std::vector<OptionInfo>& options) {
  ParsedArguments parsed;
  auto add = [&](size_t option, std::string value) { parsed.given.push_back({option, std::move(value)}); };
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg[1] != '-' && arg.size() > 2) {
      // Short options run together, as getopt takes them: "-kv", "-vC out", "-Cout".
      for (size_t k = 1; k < arg.size(); ++k) {
        const std::string name = std::string("-") + arg[k];
        if (name == "-h") {
          parsed.help = true;
          continue;
        }
        const size_t option = Find(options, name);
        if (option == options.size())
          throw UsageError("unknown option '" + name + "'" + (k > 1 ? " in '" + arg + "'" : ""));
        if (!options[option].TakesValue()) {
          add(option, std::string());
          continue;
        }
        if (k + 1 < arg.size()) {
          add(option, arg.substr(k + 1));
        } else {
          if (i + 1 >= args.size()) throw UsageError("option '" + name + "' needs a value");
          add(option, args[++i]);
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
    const size_t option = Find(options, name);
    if (option == options.size()) throw UsageError("unknown option '" + name + "'");
    if (!options[option].TakesValue()) {
      if (hasValue) throw UsageError("option '" + name + "' takes no value");
      add(option, std::string());
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) throw UsageError("option '" + name + "' needs a value");
      value = args[++i];
    }
    add(option, std::move(value));
  }
  return parsed;
}

std::string OptionHelp(const std::vector<OptionInfo>& options) {
  std::string text;
  for (const OptionInfo& option : options) {
    const std::string label = "  " + option.Label();
    text += label;
    // A label too long for the column keeps its help on its line, two spaces on.
    const size_t gap = label.size() + 2 <= kHelpColumn ? kHelpColumn - label.size() : 2;
    text.append(gap, ' ');
    AppendWrapped(option.help, label.size() + gap, text);
  }
  return text;
}

}  // namespace rdbtool
