// list PKG [--type T] [--match GLOB] [--json]
#include <charconv>

#include "Arguments.h"
#include "Commands.h"
#include "Console.h"
#include "EntrySelection.h"
#include "PackageFile.h"
#include "Utf.h"

namespace rdbtool {

namespace {

const char kHelp[] =
    "Usage: rdbtool list PKG [--type TYPE[,TYPE...]] [--match GLOB] [--json]\n"
    "Lists the package's entries in index order, one line each:\n"
    "  SIZE<TAB>TYPE<TAB>STATE<TAB>NAME\n"
    "SIZE is the stored size in bytes; TYPE the recognised content type (png, jpg, bmp,\n"
    "gif, ico, cur, or none), of the payload when wrapped; STATE is plain, wrapped (a\n"
    "\"TGF\" header is removed on extract) or outside (the data lies outside the file).\n"
    "NAME is the stored name with \"\\\" separators; control characters show as \"?\".\n"
    "\n"
    "  --type TYPE   only entries of these types (repeatable)\n"
    "  --match GLOB  only names matching GLOB (repeatable): * any run of characters,\n"
    "                separators included; ? one character; [a-z] [!a-z] sets. \"/\" and \"\\\"\n"
    "                are the same separator; ASCII case is ignored\n"
    "  --json        a JSON array of objects instead:\n"
    "                {\"name\", \"size\", \"type\", \"wrapped\", \"inside\", \"content_size\"}\n"
    "                where content_size is what extract writes (null when outside)\n";

void AppendNumber(uint64_t value, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendSigned(int64_t value, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

int RunList(const std::vector<std::string>& args) {
  Arguments a(args, {{"--type", true}, {"--match", true}, {"--json", false}});
  if (a.WantsHelp()) {
    PrintHelp(kHelp);
    return kExitOk;
  }
  if (a.Positionals().size() != 1) throw UsageError("expects one package");
  EntrySelection selection;
  std::string error;
  for (const std::string& t : a.Values("--type"))
    if (!selection.AddTypes(t, error)) throw UsageError(error);
  for (const std::string& m : a.Values("--match"))
    if (!selection.AddPattern(m, error)) throw UsageError(error);
  const bool json = a.Has("--json");

  PackageFile package;
  const std::string& path = a.Positionals()[0];
  if (!package.Open(ToNativePath(path), error)) {
    Report("list", path + ": " + error);
    return kExitFailure;
  }

  BufferedOutput out(Stream::kOut);
  std::string& buffer = out.Buffer();
  bool any = false;
  if (json) buffer += '[';
  for (const RESENTRY& entry : package.Entries()) {
    const std::u16string_view name = PackageFile::Name(entry);
    const sorv::pkg::EntryContent content = package.Content(entry);
    const char* type = TypeName(content.ext);
    if (!selection.Selects(name, type)) continue;
    if (json) {
      buffer += any ? ",\n{\"name\":" : "\n{\"name\":";
      AppendJsonString(name, buffer);
      buffer += ",\"size\":";
      AppendSigned(entry.nSize, buffer);
      buffer += ",\"type\":\"";
      buffer += type;
      buffer += content.wrapped ? "\",\"wrapped\":true" : "\",\"wrapped\":false";
      buffer += content.valid ? ",\"inside\":true,\"content_size\":" : ",\"inside\":false,\"content_size\":null}";
      if (content.valid) {
        AppendNumber(content.size, buffer);
        buffer += '}';
      }
    } else {
      AppendSigned(entry.nSize, buffer);
      buffer += '\t';
      buffer += type;
      buffer += !content.valid ? "\toutside\t" : content.wrapped ? "\twrapped\t" : "\tplain\t";
      AppendDisplayName(name, buffer);
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
  return kExitOk;
}

}  // namespace rdbtool
