#include "Tool.h"

#include <new>

#include "Arguments.h"
#include "Commands.h"
#include "Console.h"

namespace rdbtool {

namespace {

const char kToolHelp[] =
    "Usage: rdbtool COMMAND [OPTIONS] ...\n"
    "Lists, checks, extracts, makes and changes resource packages (*.rdb).\n"
    "\n"
    "Commands:\n"
    "  list PKG      one line per entry: size, type, wrapping, name (--json for JSON)\n"
    "  info PKG      entry count, data-area start, file size, entries and bytes per type\n"
    "  extract PKG   write entries below a folder, as the window program's export does\n"
    "  check PKG     check header, index, entry bounds, wrapped headers and names\n"
    "  cat PKG NAME...  write entries to standard output, as extract writes them\n"
    "  pack DIR      make a package from a folder tree\n"
    "  update PKG    write a new package with entries added, replaced or removed\n"
    "\n"
    "Options:\n"
    "  --help        this text; 'rdbtool COMMAND --help' describes a command\n"
    "  --version     the version\n"
    "\n"
    "Exit status: 0 success, 1 partial failure or problems found, 2 bad usage or an\n"
    "unreadable package. Data goes to standard output, diagnostics to standard error.\n";

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&);
};
const Command kCommands[] = {
    {"list", RunList}, {"info", RunInfo}, {"extract", RunExtract}, {"check", RunCheck},
    {"cat", RunCat},   {"pack", RunPack}, {"update", RunUpdate},
};

}  // namespace

void Report(const char* command, const std::string& message) {
  std::string line = "rdbtool";
  if (command) line += std::string(" ") + command;
  line += ": " + message + "\n";
  WriteText(Stream::kErr, line);
}

void PrintHelp(const char* text) { WriteText(Stream::kOut, text); }

int RunTool(const std::vector<std::string>& args) {
  if (args.empty()) {
    WriteText(Stream::kErr, "rdbtool: no command given\nTry 'rdbtool --help'.\n");
    return kExitFailure;
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp(kToolHelp);
    return kExitOk;
  }
  if (first == "--version") {
    WriteText(Stream::kOut, std::string("rdbtool ") + kVersion + "\n");
    return kExitOk;
  }
  for (const Command& command : kCommands) {
    if (first != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
      return command.run(rest);
    } catch (const UsageError& e) {
      Report(command.name, e.what());
      WriteText(Stream::kErr, std::string("Try 'rdbtool ") + command.name + " --help'.\n");
      return kExitFailure;
    } catch (const std::bad_alloc&) {
      Report(command.name, "out of memory");
      return kExitFailure;
    }
  }
  Report(nullptr, "unknown command '" + first + "'");
  WriteText(Stream::kErr, "Try 'rdbtool --help'.\n");
  return kExitFailure;
}

}  // namespace rdbtool
