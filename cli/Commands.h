// The subcommands. Each takes its own arguments (after the subcommand's name) and returns
// the exit code: 0 success, 1 partial failure (or problems found), 2 bad usage or an
// unreadable package. Usage errors are thrown as UsageError.
#pragma once
#include <string>
#include <vector>

namespace rdbtool {

constexpr int kExitOk = 0;
constexpr int kExitPartial = 1;
constexpr int kExitFailure = 2;

int RunList(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunPack(const std::vector<std::string>& args);
int RunUpdate(const std::vector<std::string>& args);
int RunCat(const std::vector<std::string>& args);

// A diagnostic on standard error: "rdbtool <command>: <message>".
void Report(const char* command, const std::string& message);
// Prints `text` (a help text) on standard output.
void PrintHelp(const char* text);

}  // namespace rdbtool
