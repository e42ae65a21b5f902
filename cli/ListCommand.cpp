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
    "NAME is the stored name, with the platform's separator (\"/\" on the host, \"\\\" on\n"
    "Windows); control characters show as \"?\".\n"
    "\n"
    "  --type TYPE   only entries of these types (repeatable, or comma-separated): the\n"
    "                window's filter names all, images, png, jpg, bmp, gft, ico, xml, gmd,\n"
    "                lua select by the name's extension as the window does (whole\n"
    "                extension, any case); the content types png, jpg, bmp, gif, ico, cur,\n"
    "                none by what the content is; png, jpg, bmp, ico select either way\n"
    "  --match GLOB  only names matching GLOB (repeatable): * any run of characters,\n"
    "                separators included; ? one character; [a-z] [!a-z] sets. \"/\" and \"\\\"\n"
    "                are the same separator; ASCII case is ignored\n"
    "  --json        a JSON array of objects instead:\n"
    "                {\"name\", \"stored_name\", \"size\", \"type\", \"wrapped\", \"inside\",\n"
    "                \"content_size\"} where name has the platform's separator, stored_name\n"
    "                is the name exactly as stored, and content_size is what extract\n"
    "                writes (null when outside)\n"
    "\n"
    "Exit status 1 when a --match pattern matches nothing, or nothing is of the types.\n";

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

// The stored name as the platform writes paths.
void AppendShownName(std::u16string_view name, std::string& out) {
  const size_t from = out.size();
  AppendDisplayName(name, out);
#if !defined(_WIN32)
  for (size_t i = from; i < out.size(); ++i)
    if (out[i] == '\\') out[i] = '/';
#else
  (void)from;
#endif
}

void AppendJsonShownName(std::u16string_view name, std::string& out) {
#if !defined(_WIN32)
  std::u16string shown(name);
  for (char16_t& c : shown)
    if (c == u'\\') c = u'/';
  AppendJsonString(shown, out);
#else
  AppendJsonString(name, out);
#endif
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
      AppendJsonShownName(name, buffer);
      buffer += ",\"stored_name\":";
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
  return selection.ReportUnmatched("list") ? kExitPartial : kExitOk;
}

}  // namespace rdbtool
