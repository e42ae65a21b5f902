// Each command's option table against what the user reads and types: its --help, the
// manual page and the bash completion name every option of the table, and no other.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Tool.h"

using namespace rdbtool;

namespace {

using Names = std::set<std::string>;

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Names NamesOf(const std::vector<OptionInfo>& options, bool valuesOnly = false) {
  Names names;
  for (const OptionInfo& option : options)
    if (!valuesOnly || option.TakesValue())
      for (const std::string& name : option.Names()) names.insert(name);
  return names;
}

// The options a piece of text names: "-k", "--keep-old-files" (the manual page's "\-" read as "-").
Names OptionsIn(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
  Names names;
  static const std::regex option(R"((?:^|[\s"\[|])(--?[A-Za-z0-9][-A-Za-z0-9]*))");
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) names.insert((*it)[1]);
  return names;
}

// The option rows of a help text: lines that begin "  -", up to where the help begins.
Names HelpRows(const std::string& help) {
  Names names;
  for (const std::string& line : Lines(help)) {
    if (line.compare(0, 3, "  -") != 0) continue;
    const size_t end = line.find("  ", 2);
    names.merge(OptionsIn(line.substr(2, end == std::string::npos ? std::string::npos : end - 2)));
  }
  return names;
}

// The usage lines at the top of a help text.
std::string HelpUsage(const std::string& help) {
  std::string usage;
  for (const std::string& line : Lines(help)) {
    if (!usage.empty() && line.compare(0, 1, " ") != 0) break;
    usage += line + "\n";
  }
  return usage;
}

// The manual page's lines from `begin` up to (not including) the first line for which
// `ends` holds.
template <class Ends>
std::vector<std::string> PageSection(const std::vector<std::string>& page, const std::string& begin, Ends ends) {
  std::vector<std::string> section;
  bool in = false;
  for (const std::string& line : page) {
    if (in && ends(line)) break;
    if (line == begin) in = true;
    if (in) section.push_back(line);
  }
  return section;
}

// The options named by the items (.TP) of a manual page section, the first line aside.
Names PageItems(const std::vector<std::string>& section) {
  Names names;
  for (size_t i = 2; i < section.size(); ++i)
    if (section[i - 1] == ".TP") names.merge(OptionsIn(section[i]));
  return names;
}

bool IsCommandName(const std::string& word) {
  for (const Command* command : Commands())
    if (word == command->name) return true;
  return false;
}

// A command's paragraph in the page's COMMANDS section: from its ".B name" to the next
// command's or the section's end.
std::vector<std::string> PageCommand(const std::vector<std::string>& page, const std::string& name) {
  const std::vector<std::string> commands =
      PageSection(page, ".SH COMMANDS", [](const std::string& line) { return line.compare(0, 4, ".SH ") == 0; });
  std::vector<std::string> paragraph;
  bool in = false;
  for (size_t i = 1; i < commands.size(); ++i) {
    const bool header = commands[i - 1] == ".TP" && commands[i].compare(0, 3, ".B ") == 0 &&
                        IsCommandName(commands[i].substr(3));
    if (header) in = commands[i] == ".B " + name;
    if (in) paragraph.push_back(commands[i]);
  }
  return paragraph;
}

// A word list of the completion script: what `pattern`'s first group holds, split at blanks.
Names CompletionWords(const std::string& script, const std::string& pattern) {
  std::smatch match;
  EXPECT_TRUE(std::regex_search(script, match, std::regex(pattern))) << pattern;
  Names words;
  std::istringstream in(match.size() > 1 ? match[1].str() : std::string());
  for (std::string word; in >> word;) words.insert(word);
  return words;
}

TEST(OptionTables, EveryCommandsOptionsAreInItsHelpManualPageAndCompletion) {
  const std::vector<std::string> page = Lines(ReadText(RDBTOOL_MANUAL_PAGE));
  const std::string completion = ReadText(RDBTOOL_COMPLETION);
  ASSERT_FALSE(page.empty());
  ASSERT_FALSE(completion.empty());

  Names commandNames, valueOptions;
  for (const Command* command : Commands()) {
    const std::string name = command->name;
    SCOPED_TRACE(name);
    commandNames.insert(name);
    const Names table = NamesOf(command->options);
    valueOptions.merge(NamesOf(command->options, true));

    const std::string help = CommandHelp(*command);
    EXPECT_EQ(HelpRows(help), table) << help;
    for (const std::string& option : OptionsIn(HelpUsage(help))) EXPECT_EQ(table.count(option), 1u) << option;

    const std::vector<std::string> paragraph = PageCommand(page, name);
    ASSERT_FALSE(paragraph.empty()) << "no paragraph for it in the manual page's COMMANDS";
    EXPECT_EQ(PageItems(paragraph), table);
    const std::vector<std::string> synopsis =
        PageSection(page, ".B rdbtool " + name, [](const std::string& line) { return line == ".br" || line == ".SH DESCRIPTION"; });
    ASSERT_FALSE(synopsis.empty()) << "no synopsis line";
    for (const std::string& line : synopsis)
      for (const std::string& option : OptionsIn(line)) EXPECT_EQ(table.count(option), 1u) << option;

    Names completed = table;
    completed.insert("--help");  // every command answers it
    EXPECT_EQ(CompletionWords(completion, "\\s" + name + R"re(\) options="([^"]*)")re"), completed);
  }

  // The tool's own options: its help, the page's OPTIONS and the first word's completion.
  const Names tool = NamesOf(ToolOptions());
  EXPECT_EQ(HelpRows(ToolHelp()), tool);
  EXPECT_EQ(PageItems(PageSection(page, ".SH OPTIONS", [](const std::string& line) { return line == ".RE"; })), tool);
  EXPECT_EQ(CompletionWords(completion, R"re(local commands="([^"]*)")re"), commandNames);
  EXPECT_EQ(CompletionWords(completion, R"re(compgen -W "\$commands ([^"]*)")re"), tool);

  // The options that take a value: the completion skips their values to find the package.
  std::smatch skipped;
  ASSERT_TRUE(std::regex_search(completion, skipped, std::regex(R"(\n\s*(-[-|A-Za-z]*)\) \(\(i\+\+\)\))")));
  Names skippedNames;
  std::istringstream in(std::regex_replace(skipped[1].str(), std::regex(R"(\|)"), " "));
  for (std::string word; in >> word;) skippedNames.insert(word);
  EXPECT_EQ(skippedNames, valueOptions);
}

}  // namespace
