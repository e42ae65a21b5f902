// The command-line tool: dispatches a subcommand and turns failures into exit codes.
#pragma once
#include <string>
#include <vector>

#include "cli/Arguments.h"

namespace rdbtool {

struct Command;

constexpr const char* kVersion = "1.0.0";

// Every command, in the order the tool's help lists them.
const std::vector<const Command*>& Commands();
// The options the tool itself takes before any command (--help, --version).
const std::vector<OptionInfo>& ToolOptions();
// The tool's --help text, and one command's.
std::string ToolHelp();
std::string CommandHelp(const Command& command);

// `args` are the arguments after the program name, in UTF-8 (Windows) or as given (host).
int RunTool(const std::vector<std::string>& args);

}  // namespace rdbtool
