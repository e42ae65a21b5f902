// extract PKG [-C DIR | -O] [-k] [-v] [--type T] [--match GLOB] [--exclude GLOB] [--strip-components N] [NAME...]
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/IndexInPlace.h"
#include "cli/PackageFile.h"
#include "cli/Progress.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "cli/system/Console.h"
#include "cli/system/ExtractFolder.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

struct ExtractArguments : Arguments, SelectionOptions {
  std::vector<std::string> folder;  // -C: at most one
  bool toStdout = false;
  bool keepOld = false;
  bool verbose = false;
  std::vector<std::string> units;
  std::vector<std::string> strip;  // the last one counts
};

const OptionTable<ExtractArguments> kOptions = {
    {'C', nullptr, "DIR", &ExtractArguments::folder, "the folder to write into"},
    {'O', "to-stdout", &ExtractArguments::toStdout,
     "write the entries' contents (unwrapped, as they would be written to files) one after another to standard "
     "output instead"},
    {'k', "keep-old-files", &ExtractArguments::keepOld,
     "never replace an existing file: such entries are counted and left alone"},
    {'v', "verbose", &ExtractArguments::verbose, "name each file written (and each existing file kept), one a line"},
    {0, "type", "TYPE", &ExtractArguments::types, "only entries of these types (see 'rdbtool list --help')"},
    {0, "match", "GLOB", &ExtractArguments::matches, "only names matching GLOB (see 'rdbtool list --help')"},
    {0, "exclude", "GLOB", &ExtractArguments::excludes, "leave out names matching GLOB (repeatable; as --match)"},
    {0, "strip-components", "N", &ExtractArguments::strip,
     "drop the first N parts of every name (ui\\btn\\ok.png with 1 becomes btn/ok.png); entries with no more "
     "parts are left alone"},
    {0, "units", "UNITS", &ExtractArguments::units,
     "an entry named by its stored name's UTF-16 units (see 'rdbtool cat --help'), for a name that is not valid "
     "Unicode"},
};

const char kHelpStart[] =
    "Usage: rdbtool extract PKG [-C DIR | -O] [-k] [-v] [--type TYPE[,TYPE...]] [--match GLOB]\n"
    "                           [--exclude GLOB] [--strip-components N] [NAME...]\n"
    "Writes the selected entries (all by default) below DIR (default: the current folder,\n"
    "made when missing), exactly as the window program's export does: an entry stored as\n"
    "a\\b\\c.png becomes DIR/a/b/c.png; a wrapped image is written without its \"TGF\"\n"
    "header, with its recognised extension appended (x.gft holding a PNG becomes\n"
    "x.gft.png); an existing file is replaced by a new file (never written into, so a failed\n"
    "write keeps it). Names that could reach outside DIR or name a device (\"..\", \"C:\\x\",\n"
    "\"a:b\", \"CON.png\", ...) are refused, and so are names too long for the system. Every\n"
    "target is decided before anything is written: when two entries would become the same\n"
    "file (compared as the file system compares names: case-blind on Windows and on FAT,\n"
    "exFAT, NTFS and SMB disks and case-folding folders), the first one is written and the\n"
    "other is refused. Links below DIR are never followed nor replaced, and the package\n"
    "itself is never replaced.\n"
    "\n";
const char kHelpEnd[] =
    "  NAME...       only these entries: a stored name (\"/\" or \"\\\"), the name extract\n"
    "                writes for a wrapped entry, or a folder, which selects every entry\n"
    "                below it. Entries stored with exactly that name are chosen when there\n"
    "                are any; only otherwise is ASCII case ignored\n"
    "  PKG \"-\"       reads the package from standard input (see 'rdbtool list --help')\n"
    "\n"
    "Every entry that is not written is reported on standard error with the reason, and the\n"
    "exit status is then 1 (2 when none was written), as it is when a NAME or --match\n"
    "pattern selects nothing. A progress bar is shown when standard error is a terminal.\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines + kHelpEnd; }

// The file's path below the folder (its components, the last with any appended extension),
// with the platform's separator.
std::string ShownPath(const std::vector<std::u16string>& components) {
#if defined(_WIN32)
  const char separator = '\\';
#else
  const char separator = '/';
#endif
  std::string text;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i) text += separator;
    AppendDisplayName(components[i], text);
  }
  return text;
}

// --strip-components N: how many leading parts of every name to drop.
size_t StripCount(const ExtractArguments& a) {
  const std::vector<std::string>& values = a.strip;
  if (values.empty()) return 0;
  const std::string& text = values.back();
  bool digits = !text.empty() && text.size() <= 6;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (!digits) throw UsageError("--strip-components expects a number of name parts, not '" + text + "'");
  return static_cast<size_t>(std::stoul(text));
}

// `name` without its first `count` parts ("/" or "\\" separated); empty when it has no
// more parts than that.
std::u16string_view StripComponents(std::u16string_view name, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const size_t separator = name.find_first_of(u"/\\");
    if (separator == std::u16string_view::npos) return std::u16string_view();
    name.remove_prefix(separator + 1);
  }
  return name;
}

int Run(const ExtractArguments& a) {
  if (a.folder.size() > 1) throw UsageError("-C given more than once");
  const bool toStdout = a.toStdout;
  const bool verbose = a.verbose;
  if (toStdout && !a.folder.empty()) throw UsageError("-O writes to standard output, not into a folder: drop -C");
  if (!a.folder.empty() && a.folder[0].empty()) throw UsageError("-C needs a folder name, not an empty one");
  const size_t strip = StripCount(a);
  EntrySelection selection;
  selection.SelectSubtrees();
  SelectByOptions(a, selection);
  std::string error;
  for (size_t i = 1; i < a.Positionals().size(); ++i)
    if (!selection.AddName(a.Positionals()[i], error)) throw UsageError(error);
  for (const std::string& units : a.units)
    if (!selection.AddUnits(units, error)) throw UsageError(error);

  // The index is read in place: a million entries need no record of their own.
  PackageFile package;
  if (!OpenPackage(a, "extract", package, false)) return kExitFailure;
  IndexInPlace index;
  if (!ReadIndexInPlace(a, "extract", package, index)) return kExitFailure;
  const std::string& path = a.Positionals()[0];
  ExtractFolder folder;
  if (path != "-") folder.Protect(ToNativePath(path));
  folder.KeepExisting(a.keepOld);
  const std::string dir = a.folder.empty() ? std::string() : a.folder[0];
  if (!toStdout && !folder.Open(ToNativePath(dir), error)) {
    Report("extract", error);
    return kExitFailure;
  }

  // Select and plan first, so that every target is decided before the first file is
  // written and the progress bar knows the whole. Entry i of the plan is the index's
  // record selected[i].
  const size_t count = index.Count();
  if (selection.HasNames()) {
    for (size_t k = 0; k < count; ++k) selection.SeeName(index.Name(k), AppendedExtension(package.Content(index.Entry(k))));
  }
  std::vector<uint32_t> selected;
  selected.reserve(count);
  sorv::rules::ExportPlan plan = folder.MakePlan();
  plan.Reserve(count);
  uint64_t totalBytes = 0;
  for (size_t k = 0; k < count; ++k) {
    const sorv::pkg::EntryContent content = package.Content(index.Entry(k));
    const std::u16string_view name = index.Name(k);
    const std::u16string_view appended = AppendedExtension(content);
    if (!selection.Selects(name, sorv::pkg::ContentTypeName(content.ext), selection.HasNames() ? appended : std::u16string_view()))
      continue;
    // Like tar, an entry with no more parts than are stripped is left alone.
    if (strip && StripComponents(name, strip).empty()) continue;
    selected.push_back(static_cast<uint32_t>(k));
    plan.Add(StripComponents(name, strip), appended);
    if (content.valid) totalBytes += content.size;
  }
  package.File().AdviseSequential();

  Progress progress(IsTerminal(Stream::kErr), selected.size(), totalBytes);
  size_t failed = 0, kept = 0, done = 0;
  BufferedOutput written(Stream::kOut);
  auto fail = [&](std::u16string_view name, const std::string& reason) {
    ++failed;
    progress.Clear();
    Report("extract", NameInMessage(name) + ": " + reason);
  };
  for (size_t i = 0; i < selected.size(); ++i) {
    const RESENTRY entry = index.Entry(selected[i]);
    const sorv::pkg::EntryContent content = package.Content(entry);
    const std::u16string_view name = index.Name(selected[i]);
    const sorv::rules::ExportRefusal refusal = plan.Refusal(i);
    if (toStdout) {
      if (!content.valid) {
        fail(name, entry.nSize < 0 ? "negative size in the index" : "its data lies outside the package file");
      } else if (!WriteBytes(Stream::kOut, content.data, content.size)) {
        Report("extract", "cannot write to standard output");
        return kExitFailure;
      } else {
        ++done;
      }
    } else if (refusal == sorv::rules::ExportRefusal::kDuplicate || refusal == sorv::rules::ExportRefusal::kNameClash) {
      fail(name, std::string(RefusalText(refusal)) + " (\"" + NameInMessage(index.Name(selected[plan.EarlierEntry(i)])) + "\")");
    } else if (refusal != sorv::rules::ExportRefusal::kNone) {
      fail(name, RefusalText(refusal));
    } else if (!content.valid) {
      fail(name, entry.nSize < 0 ? "negative size in the index" : "its data lies outside the package file");
    } else if (folder.Write(plan, i, content.data, content.size, error)) {
      ++done;
      if (verbose) written.Append(ShownPath(plan.Components(i)) + "\n");
    } else if (folder.WasKept()) {
      ++kept;
      if (verbose) written.Append(ShownPath(plan.Components(i)) + " (kept)\n");
    } else {
      fail(name, error);
    }
    progress.Advance(content.valid ? content.size : 0);
  }
  progress.Finish();
  written.Flush();

  const bool unmatched = selection.ReportUnmatched("extract");
  if (kept) Report("extract", std::to_string(kept) + (kept == 1 ? " existing file" : " existing files") + " kept, not replaced");
  if (failed) {
    Report("extract", std::to_string(failed) + " of " + std::to_string(selected.size()) + " entries not written");
  }
  // Nothing written at all, though there was something to write, fails the whole run.
  if (failed && done == 0) return kExitFailure;
  return failed || unmatched ? kExitPartial : kExitOk;
}

}  // namespace

const Command kExtractCommand = {
    "extract", "PKG", "write entries below a folder, as the window program's export does",
    Help, kOptions.Infos(), 1, kAnyNumber, "expects a package", RunWith(kOptions, Run),
};

}  // namespace rdbtool
