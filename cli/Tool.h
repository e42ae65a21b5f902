// The command-line tool: dispatches a subcommand and turns failures into exit codes.
#pragma once
#include <string>
#include <vector>

namespace rdbtool {

constexpr const char* kVersion = "1.0.0";

// `args` are the arguments after the program name, in UTF-8 (Windows) or as given (host).
int RunTool(const std::vector<std::string>& args);

}  // namespace rdbtool
