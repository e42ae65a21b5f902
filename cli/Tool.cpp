#include "cli/Tool.h"

#include <new>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/system/Console.h"

namespace rdbtool {

const std::vector<const Command*>& Commands() {
  static const std::vector<const Command*> commands = {
      &kListCommand, &kInfoCommand, &kExtractCommand, &kCheckCommand, &kCatCommand, &kPackCommand, &kUpdateCommand,
      &kDiffCommand, &kMountCommand,
  };
  return commands;
}

const std::vector<OptionInfo>& ToolOptions() {
  static const std::vector<OptionInfo> options = {
      {'h', "help", nullptr, "this text; 'rdbtool COMMAND --help' describes a command"},
      {0, "version", nullptr, "the version"},
  };
  return options;
}

std::string ToolHelp() {
  std::string text =
      "Usage: rdbtool COMMAND [OPTIONS] ...\n"
      "Lists, checks, extracts, makes and changes resource packages (*.rdb).\n"
      "\n"
      "Commands:\n";
  for (const Command* command : Commands()) {
    const std::string usage = std::string(command->name) + " " + command->usage;
    text += "  " + usage + std::string(usage.size() < 12 ? 14 - usage.size() : 2, ' ') + command->summary + "\n";
  }
  return text + "\nOptions:\n" + OptionHelp(ToolOptions()) +
         "Short options run together as with getopt (-kvC out); a package given as \"-\" is\n"
         "read from standard input.\n"
         "\n"
         "Exit status: 0 success, 1 partial failure, problems found or (diff) packages that\n"
         "differ, 2 bad usage, an unreadable file or one that is not a package. Data goes to\n"
         "standard output, diagnostics to standard error.\n";
}

std::string CommandHelp(const Command& command) { return command.help(OptionHelp(command.options)); }

namespace {

// Parses the command's arguments, answers --help and checks the positional arguments.
int Run(const Command& command, const std::vector<std::string>& rest) {
  const ParsedArguments parsed = ParseArguments(rest, command.options);
  if (parsed.help) {
    PrintHelp(CommandHelp(command));
    return kExitOk;
  }
  const size_t n = parsed.positionals.size();
  if (n < command.minPositionals || n > command.maxPositionals) throw UsageError(command.positionalsError);
  return command.run(parsed);
}

}  // namespace

void Report(const char* command, const std::string& message) {
  std::string line = "rdbtool";
  if (command) line += std::string(" ") + command;
  line += ": " + message + "\n";
  WriteText(Stream::kErr, line);
}

void PrintHelp(const std::string& text) { WriteText(Stream::kOut, text); }

int RunTool(const std::vector<std::string>& args) {
  if (args.empty()) {
    WriteText(Stream::kErr, "rdbtool: no command given\nTry 'rdbtool --help'.\n");
    return kExitFailure;
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp(ToolHelp());
    return kExitOk;
  }
  if (first == "--version") {
    WriteText(Stream::kOut, std::string("rdbtool ") + kVersion + "\n");
    return kExitOk;
  }
  for (const Command* command : Commands()) {
    if (first != command->name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
      return Run(*command, rest);
    } catch (const UsageError& e) {
      Report(command->name, e.what());
      WriteText(Stream::kErr, std::string("Try 'rdbtool ") + command->name + " --help'.\n");
      return kExitFailure;
    } catch (const std::bad_alloc&) {
      Report(command->name, "out of memory");
      return kExitFailure;
    }
  }
  Report(nullptr, "unknown command '" + first + "'");
  WriteText(Stream::kErr, "Try 'rdbtool --help'.\n");
  return kExitFailure;
}

}  // namespace rdbtool
