// The subcommands. A command is one file that defines its Command, with its option table,
// and one row in the tool's table (Tool.cpp). The tool parses the command's arguments by
// that table, answers --help and checks the number of positional arguments before it
// fills the command's record and calls its Run, which returns the exit code: 0 success,
// 1 partial failure (or problems found), 2 bad usage or an unreadable package. Usage
// errors are thrown as UsageError.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Arguments.h"
#include "package/PackageFormat.h"

namespace rdbtool {

class EntrySelection;
class CopyAhead;
class IndexInPlace;
class MappedFile;
class OutputFile;
class PackageFile;
class EntryList;

constexpr int kExitOk = 0;
constexpr int kExitPartial = 1;
constexpr int kExitFailure = 2;

struct Command {
  const char* name;
  const char* usage;    // what follows the name in the tool's help: "PKG"
  const char* summary;  // the rest of its line there
  // Its --help text, given the lines of its options (OptionHelp) to place.
  std::string (*help)(const std::string& optionLines);
  std::vector<OptionInfo> options;
  size_t minPositionals;
  size_t maxPositionals;
  const char* positionalsError;  // the usage error for any other number of them
  std::function<int(const ParsedArguments&)> run;
};
constexpr size_t kAnyNumber = static_cast<size_t>(-1);

// A command's run: fills its record from the parsed arguments by `table`, then calls `body`.
template <class Record>
std::function<int(const ParsedArguments&)> RunWith(const OptionTable<Record>& table, int (*body)(const Record&)) {
  return [&table, body](const ParsedArguments& parsed) { return body(table.Fill(parsed)); };
}

// The entry selection that list, extract, diff and mount take (--type, --match, --exclude).
struct SelectionOptions {
  std::vector<std::string> types;
  std::vector<std::string> matches;
  std::vector<std::string> excludes;
};

extern const Command kListCommand;
extern const Command kInfoCommand;
extern const Command kExtractCommand;
extern const Command kCheckCommand;
extern const Command kCatCommand;
extern const Command kPackCommand;
extern const Command kUpdateCommand;
extern const Command kDiffCommand;
extern const Command kMountCommand;

// A diagnostic on standard error: "rdbtool <command>: <message>".
void Report(const char* command, const std::string& message);
// Prints `text` (a help text) on standard output.
void PrintHelp(const std::string& text);

// Opens the package named by the first positional argument. On failure reports
// "<path>: <reason>" for `command` and returns false (the command then exits with 2).
bool OpenPackage(const Arguments& args, const char* command, PackageFile& package, bool readIndex = true);
// Reads in place the index of `package`, opened with OpenPackage without its index. On
// failure reports as OpenPackage does and returns false.
bool ReadIndexInPlace(const Arguments& args, const char* command, const PackageFile& package, IndexInPlace& index);
// The text extract appends to an entry's file name: a wrapped image's extension, or empty.
// The view stays valid for the whole run.
std::u16string_view AppendedExtension(const sorv::pkg::EntryContent& content);
// Adds the --type, --match and --exclude values to `selection`; throws UsageError for a bad one.
void SelectByOptions(const SelectionOptions& options, EntrySelection& selection);
// Says on standard error, for `command`, that `outside` entries' data lie outside the
// package file; true when there are any (the command then exits with 1).
bool ReportOutside(const char* command, size_t outside);
// How pack and update end: writes `entries` to `out` (see WriteNewPackage), closes `kept`
// (the package the kept entries come from, which may be the very file replaced) and puts
// the new package in place. Returns the exit code; `leftOut` counts what the command
// itself left out (and reported). With `onlyWhole`, a package that left out any of
// `entries` is not put in place (exit code 2). `ahead`: copies of `kept`'s bytes begun
// already (see CopyAhead).
int CommitPackage(EntryList& entries, const std::vector<std::string>& wrapExtensions,
                  OutputFile& out, const char* command, size_t leftOut, MappedFile* kept = nullptr,
                  bool onlyWhole = false, CopyAhead* ahead = nullptr);

}  // namespace rdbtool
