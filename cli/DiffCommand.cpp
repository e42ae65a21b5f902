// diff OLD NEW [--type T] [--match GLOB] [--json] [-q] [--stat] [--renames]
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/EntryOutput.h"
#include "cli/EntrySelection.h"
#include "cli/IndexInPlace.h"
#include "cli/PackageDamage.h"
#include "cli/PackageDiff.h"
#include "cli/PackageFile.h"
#include "cli/system/Console.h"
#include "cli/system/MappedFile.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

struct DiffArguments : Arguments, SelectionOptions {
  bool renames = false;
  bool json = false;
  bool quiet = false;
  bool stat = false;
};

const OptionTable<DiffArguments> kOptions = {
    {0, "type", "TYPE", &DiffArguments::types,
     "only entries of these types (as for list); a pair is shown when either of its entries is chosen"},
    {0, "match", "GLOB", &DiffArguments::matches,
     "only names matching GLOB (as for list); a pair is shown when either of its entries is chosen"},
    {0, "renames", &DiffArguments::renames, "pair removed and added entries with the same bytes"},
    {0, "json", &DiffArguments::json,
     "a JSON array instead: {\"status\", \"old\", \"new\"} where status is one of A D M R and old and new are "
     "the entries as list --json writes them (null for the side without one)"},
    {'q', "quiet", &DiffArguments::quiet, "print nothing; only the exit status tells"},
    {0, "stat", &DiffArguments::stat,
     "end with the counts and bytes (stored sizes) added, removed, changed (old -> new) and renamed"},
};

std::string Help(const std::string& optionLines) {
  return "Usage: rdbtool diff OLD NEW [--type TYPE[,TYPE...]] [--match GLOB] [--renames]\n"
         "                  [--json | -q | --stat]\n"
         "Tells which entries differ between two packages, one line each: first in NEW's\n"
         "index order, then the entries only in OLD in OLD's order:\n"
         "  A<TAB>NAME       only in NEW (added)\n"
         "  D<TAB>NAME       only in OLD (removed)\n"
         "  M<TAB>NAME       in both, with other bytes (content or wrapping)\n"
         "  R<TAB>OLD<TAB>NEW  with --renames: an entry stored under another name with the\n"
         "                   same bytes (the first such removed entry; empty entries never)\n"
         "Entries are paired by stored name, \"/\" and \"\\\" being one separator; a name stored\n"
         "more than once is paired in order (first with first, ...), and a note on standard\n"
         "error says so. Names are shown as list shows them. Bytes are compared as stored.\n"
         "\n" +
         optionLines +
         "\n"
         "Exit status: 0 the same, 1 different, 2 trouble: a package that cannot be read or\n"
         "is damaged (reported as check reports it; entries whose data lies outside their\n"
         "file are not compared), or a --match or --type that chose nothing.\n";
}

struct Side {
  const std::string& path;
  PackageFile package;
  IndexInPlace index;
  std::vector<bool> chosen;
};

// Opens one package; reports why it cannot be read, in check's words for a damaged index.
bool OpenSide(Side& side) {
  std::string error;
  if (!side.package.Open(ToNativePath(side.path), error, nullptr, false)) {
    Report("diff", side.path + ": " + error);
    return false;
  }
  sorv::pkg::IndexDamage damage;
  if (side.index.Read(side.package.File().Data(), side.package.File().Size(), &damage)) return true;
  const std::string where = DescribeIndexDamage(damage);
  Report("diff", side.path + ": " + (where.empty() ? std::string(PackageFile::kDamagedIndex) : where));
  return false;
}

void Choose(Side& side, EntrySelection& selection, bool byType) {
  side.chosen.resize(side.index.Count());
  for (size_t i = 0; i < side.index.Count(); ++i) {
    const char* type = byType ? sorv::pkg::ContentTypeName(side.package.Content(side.index.Entry(i)).ext) : "";
    side.chosen[i] = selection.Selects(side.index.Name(i), type);
  }
}

DiffSide ViewOf(const Side& side, bool choosing) {
  DiffSide view;
  view.index = &side.index;
  view.view = side.package.File().Data();
  view.viewSize = side.package.File().Size();
  view.chosen = choosing ? &side.chosen : nullptr;
  const MappedFile* file = &side.package.File();
  view.read = [file](uint64_t offset, uint8_t* buffer, size_t size) { return file->ReadAt(offset, buffer, size); };
  return view;
}

// Reports every entry whose data cannot be read, as check does. True when there was one.
bool ReportDamage(const Side& side, const DiffSide& view) {
  const size_t count = side.index.Count();
  bool any = false;
  for (size_t i = 0; i < count; ++i) {
    const RESENTRY entry = side.index.Entry(i);
    if (DataInside(view, entry)) continue;
    Report("diff", side.path + ": " + EntryLabel(i, count, side.index.Name(i)) + ": " +
                       DescribeDataDamage(side.package, entry));
    any = true;
  }
  return any;
}

void AppendJsonSide(const Side& side, uint32_t index, std::string& out) {
  if (index == kNoEntry) {
    out += "null";
    return;
  }
  const RESENTRY entry = side.index.Entry(index);
  AppendEntryJson(side.index.Name(index), entry, side.package.Content(entry), out);
}

void AppendLine(const Side& oldSide, const Side& newSide, const Difference& d, std::string& out) {
  out += static_cast<char>(d.kind);
  out += '\t';
  if (d.kind == Difference::kRenamed) {
    AppendShownName(oldSide.index.Name(d.oldEntry), out);
    out += '\t';
  }
  AppendShownName(d.kind == Difference::kRemoved ? oldSide.index.Name(d.oldEntry) : newSide.index.Name(d.newEntry), out);
  out += '\n';
}

std::string StatLine(const Side& oldSide, const Side& newSide, const std::vector<Difference>& differences,
                     bool renames) {
  uint64_t count[4] = {}, bytes[4] = {}, changedTo = 0;
  // Stored sizes; a negative one (a damaged entry) counts as none.
  auto size = [](const Side& side, uint32_t index) -> uint64_t {
    if (index == kNoEntry) return 0;
    const int64_t n = side.index.Entry(index).nSize;
    return n > 0 ? static_cast<uint64_t>(n) : 0;
  };
  for (const Difference& d : differences) {
    const int k = d.kind == Difference::kAdded ? 0 : d.kind == Difference::kRemoved ? 1
                : d.kind == Difference::kModified ? 2 : 3;
    ++count[k];
    bytes[k] += d.oldEntry != kNoEntry ? size(oldSide, d.oldEntry) : size(newSide, d.newEntry);
    if (d.kind == Difference::kModified) changedTo += size(newSide, d.newEntry);
  }
  std::string line = std::to_string(count[0]) + " added (" + std::to_string(bytes[0]) + " bytes), " +
                     std::to_string(count[1]) + " removed (" + std::to_string(bytes[1]) + " bytes), " +
                     std::to_string(count[2]) + " changed (" + std::to_string(bytes[2]) + " -> " +
                     std::to_string(changedTo) + " bytes)";
  if (renames) line += ", " + std::to_string(count[3]) + " renamed (" + std::to_string(bytes[3]) + " bytes)";
  return line + "\n";
}

std::string Times(uint32_t n) { return n == 1 ? "once" : n == 2 ? "twice" : std::to_string(n) + " times"; }

void NoteRepeated(const Side& oldSide, const Side& newSide, const RepeatedName& r) {
  std::string text = "\"";
  AppendShownName(r.firstNew != kNoEntry ? newSide.index.Name(r.firstNew) : oldSide.index.Name(r.firstOld), text);
  text += "\" is stored " + (r.oldCount ? Times(r.oldCount) : std::string("not at all")) + " in " + oldSide.path +
          " and " + (r.newCount ? Times(r.newCount) : std::string("not at all")) + " in " + newSide.path;
  if (r.oldCount && r.newCount) text += "; paired in order";
  Report("diff", text);
}

int Run(const DiffArguments& a) {
  const bool json = a.json;
  const bool quiet = a.quiet;
  const bool stat = a.stat;
  const bool renames = a.renames;
  if (json + quiet + stat > 1) throw UsageError("--json, -q and --stat do not go together: choose one");
  EntrySelection selection;
  SelectByOptions(a, selection);
  const bool choosing = !a.matches.empty() || !a.types.empty();

  Side oldSide{a.Positionals()[0], {}, {}, {}};
  Side newSide{a.Positionals()[1], {}, {}, {}};
  if (!OpenSide(oldSide) || !OpenSide(newSide)) return kExitFailure;
  oldSide.package.File().AdviseSequential();
  newSide.package.File().AdviseSequential();
  if (choosing) {
    Choose(oldSide, selection, !a.types.empty());
    Choose(newSide, selection, !a.types.empty());
  }
  const DiffSide oldView = ViewOf(oldSide, choosing);
  const DiffSide newView = ViewOf(newSide, choosing);
  bool trouble = ReportDamage(oldSide, oldView);
  trouble = ReportDamage(newSide, newView) || trouble;

  const DiffResult result = DiffPackages(oldView, newView, renames);
  if (!quiet) {
    BufferedOutput out(Stream::kOut);
    std::string& buffer = out.Buffer();
    if (json) buffer += '[';
    for (const Difference& d : result.differences) {
      if (json) {
        buffer += &d == &result.differences[0] ? "\n{\"status\":\"" : ",\n{\"status\":\"";
        buffer += static_cast<char>(d.kind);
        buffer += "\",\"old\":";
        AppendJsonSide(oldSide, d.oldEntry, buffer);
        buffer += ",\"new\":";
        AppendJsonSide(newSide, d.newEntry, buffer);
        buffer += '}';
      } else {
        AppendLine(oldSide, newSide, d, buffer);
      }
      out.Appended();
    }
    if (json) buffer += result.differences.empty() ? "]\n" : "\n]\n";
    if (stat) out.Append(StatLine(oldSide, newSide, result.differences, renames));
    if (!out.Flush()) {
      Report("diff", "cannot write the differences");
      trouble = true;
    }
    for (const RepeatedName& r : result.repeated) NoteRepeated(oldSide, newSide, r);
  }
  if (choosing && selection.ReportUnmatched("diff")) trouble = true;
  if (trouble) return kExitFailure;
  return result.differences.empty() ? kExitOk : kExitPartial;
}

}  // namespace

const Command kDiffCommand = {
    "diff", "OLD NEW", "which entries were added, removed, changed (or renamed)", Help, kOptions.Infos(),
    2, 2, "expects two packages: OLD NEW", RunWith(kOptions, Run),
};

}  // namespace rdbtool
