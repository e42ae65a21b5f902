// list PKG [--type T] [--match GLOB] [--exclude GLOB] [--json | -1]
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "package/ContentTypes.h"
#include "cli/EntryOutput.h"
#include "cli/EntrySelection.h"
#include "cli/PackageFile.h"
#include "cli/Utf.h"

namespace rdbtool {

namespace {

std::string Help() {
  return "Usage: rdbtool list PKG [--type TYPE[,TYPE...]] [--match GLOB] [--exclude GLOB]\n"
         "                        [--json | -1]\n"
         "Lists the package's entries in index order, one line each:\n"
         "  SIZE<TAB>TYPE<TAB>STATE<TAB>NAME\n"
         "SIZE is the stored size in bytes; TYPE the recognised content type (see below),\n"
         "of the payload when wrapped; STATE is plain, wrapped (a \"TGF\" header is removed\n"
         "on extract) or outside (the data lies outside the file).\n"
         "NAME is the stored name, with the platform's separator (\"/\" on the host, \"\\\" on\n"
         "Windows); control characters show as \"?\".\n"
         "\n"
         "  --type TYPE   only entries of these types (repeatable, or comma-separated):\n"
         "                by the name's extension, as the window's filter does (whole\n"
         "                extension, any case): " + FilterTypeNames() + "\n"
         "                by content (see below): " + sorv::pkg::ContentTypeNames(", ", true) + "\n"
         "                a name that is both selects an entry that is either\n"
         "  --match GLOB  only names matching GLOB (repeatable): * any run of characters,\n"
         "                separators included; ? one character; [a-z] [!a-z] sets. \"/\" and \"\\\"\n"
         "                are the same separator; ASCII case is ignored\n"
         "  --exclude GLOB  leave out names matching GLOB (repeatable; as --match)\n"
         "  -1, --names   the names only, one a line, as NAME above\n"
         "  --json        a JSON array of objects instead:\n"
         "                {\"name\", \"stored_name\", \"size\", \"type\", \"wrapped\", \"inside\",\n"
         "                \"content_size\"} where name has the platform's separator, stored_name\n"
         "                is the name exactly as stored, and content_size is what extract\n"
         "                writes (null when outside). A name that is not valid Unicode (an\n"
         "                unpaired UTF-16 surrogate) has U+FFFD in its place in both texts,\n"
         "                and its exact units in \"stored_units\": [100,92,56321,...], which\n"
         "                cat and extract take as --units 100,92,56321,...\n"
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

int Run(const Arguments& a) {
  EntrySelection selection;
  SelectByOptions(a, selection);
  const bool json = a.Has("--json");
  const bool namesOnly = a.Has("-1") || a.Has("--names");
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
    "list", "PKG", "one line per entry: size, type, wrapping, name (--json for JSON)", Help,
    {{"--type", true}, {"--match", true}, {"--exclude", true}, {"--json", false}, {"-1", false}, {"--names", false}},
    1, 1, "expects one package", Run,
};

}  // namespace rdbtool
