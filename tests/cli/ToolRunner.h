// Runs the built rdbtool as a separate process and collects what it wrote.
#pragma once
#include <string>
#include <vector>

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
  long maxResidentKb = -1;  // the process's peak memory (host only)
};

// `args` in UTF-8. With `stderrTerminal` (host only) standard error is a pseudo-terminal.
ToolResult RunRdbtool(const std::vector<std::string>& args, bool stderrTerminal = false);
// The same with `input` written to its standard input through a pipe.
ToolResult RunRdbtoolWithInput(const std::vector<std::string>& args, const std::string& input);
