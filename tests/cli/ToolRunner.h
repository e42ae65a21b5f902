// Runs the built rdbtool as a separate process and collects what it wrote.
#pragma once
#include <string>
#include <vector>

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// `args` in UTF-8. With `stderrTerminal` (host only) standard error is a pseudo-terminal.
ToolResult RunRdbtool(const std::vector<std::string>& args, bool stderrTerminal = false);
