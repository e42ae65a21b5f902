// list PKG [--type T] [--match GLOB] [--exclude GLOB] [--json | -1]
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntryOutput.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"
#include "cli/Utf.h"
#include "cli/system/Console.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

struct ListArguments : Arguments, SelectionOptions {
  bool json = false;
  bool namesOnly = false;
};

const OptionTable<ListArguments> kOptions = {
    {0, "type", "TYPE", &ListArguments::types,
     "only entries of these types (repeatable, or comma-separated): by the name's extension, as the window's "
     "filter does (whole extension, any case), or by content (see below); a name that is both selects an entry "
     "that is either"},
    {0, "match", "GLOB", &ListArguments::matches,
     "only names matching GLOB (repeatable): * any run of characters, separators included; ? one character; "
     "[a-z] [!a-z] sets. \"/\" and \"\\\" are the same separator; ASCII case is ignored"},
    {0, "exclude", "GLOB", &ListArguments::excludes, "leave out names matching GLOB (repeatable; as --match)"},
    {'1', "names", &ListArguments::namesOnly, "the names only, one a line, as NAME above"},
    {0, "json", &ListArguments::json,
     "a JSON array of objects instead: {\"name\", \"stored_name\", \"size\", \"type\", \"wrapped\", "
     "\"inside\", \"content_size\"} where name has the platform's separator, stored_name is the name exactly as "
     "stored, and content_size is what extract writes (null when outside). A name that is not valid Unicode (an "
     "unpaired UTF-16 surrogate) has U+FFFD in its place in both texts, and its exact units in \"stored_units\": "
     "[100,92,56321,...], which cat and extract take as --units 100,92,56321,..."},
};

std::string Help(const std::string& optionLines) {
  return "Usage: rdbtool list PKG [--type TYPE[,TYPE...]] [--match GLOB] [--exclude GLOB]\n"
         "                        [--json | -1]\n"
         "Lists the package's entries in index order, one line each:\n"
         "  SIZE<TAB>TYPE<TAB>STATE<TAB>NAME\n"
         "SIZE is the stored size in bytes; TYPE the recognised content type (see below),\n"
         "of the payload when wrapped; STATE is plain, wrapped (a \"TGF\" header is removed\n"
         "on extract) or outside (the data lies outside the file).\n"
         "NAME is the stored name, with the platform's separator (\"/\" on the host, \"\\\" on\n"
         "Windows); control characters show as \"?\".\n"
         "\n" +
         optionLines +
         "\n"
         "TYPE names by the name's extension: " + FilterTypeNames() + "\n"
         "TYPE names by content: " + sorv::pkg::ContentTypeNames(", ", true) + "\n"
         "\n"
         "PKG \"-\" reads the package from standard input (all commands but update's -o\n"
         "target): the index comes before the data, so it is read whole first, into a\n"
         "temporary file that is removed at once (or used in place when standard input is\n"
         "a file).\n"
         "\n"
         "Content types, by the content's first bytes:\n" +
         ContentTypeHelp() +
         "\n"
         "Exit status 1 when a --match pattern matches nothing, nothing is of the types, or\n"
         "an entry's data lies outside the file (said on standard error).\n";
}

int Run(const ListArguments& a) {
  EntrySelection selection;
  SelectByOptions(a, selection);
  const bool json = a.json;
  const bool namesOnly = a.namesOnly;
  if (json && namesOnly) throw UsageError("--json and --names are two different listings: choose one");
  PackageFile package;
  if (!OpenPackage(a, "list", package)) return kExitFailure;

  BufferedOutput out(Stream::kOut);
  std::string& buffer = out.Buffer();
  bool any = false;
  size_t outside = 0;
  if (json) buffer += '[';
  for (const RESENTRY& entry : package.Entries()) {
    const std::u16string_view name = PackageFile::Name(entry);
    const sorv::pkg::EntryContent content = package.Content(entry);
    const char* type = sorv::pkg::ContentTypeName(content.ext);
    if (!selection.Selects(name, type)) continue;
    if (!content.valid) ++outside;
    if (namesOnly) {
      AppendShownName(name, buffer);
      buffer += '\n';
    } else if (json) {
      buffer += any ? ",\n" : "\n";
      AppendEntryJson(name, entry, content, buffer);
    } else {
      AppendSigned(entry.nSize, buffer);
      buffer += '\t';
      buffer += type;
      buffer += !content.valid ? "\toutside\t" : content.wrapped ? "\twrapped\t" : "\tplain\t";
      AppendShownName(name, buffer);
      buffer += '\n';
    }
    any = true;
    out.Appended();
  }
  if (json) buffer += any ? "\n]\n" : "]\n";
  if (!out.Flush()) {
    Report("list", "cannot write the listing");
    return kExitPartial;
  }
  const bool unmatched = selection.ReportUnmatched("list");
  return ReportOutside("list", outside) || unmatched ? kExitPartial : kExitOk;
}

}  // namespace

const Command kListCommand = {
    "list", "PKG", "one line per entry: size, type, wrapping, name (--json for JSON)", Help, kOptions.Infos(),
    1, 1, "expects one package", RunWith(kOptions, Run),
};

}  // namespace rdbtool
