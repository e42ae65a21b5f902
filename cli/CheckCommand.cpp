// check PKG
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/IndexInPlace.h"
#include "cli/PackageDamage.h"
#include "cli/PackageFile.h"
#include "cli/RefusalText.h"
#include "cli/Utf.h"
#include "cli/WindowsName.h"
#include "cli/system/Console.h"
#include "cli/system/ExtractFolder.h"
#include "cli/system/MappedFile.h"
#include "rules/ShortName.h"

namespace rdbtool {

namespace {

struct CheckArguments : Arguments {};

const OptionTable<CheckArguments> kOptions = {};

const char kHelp[] =
    "Usage: rdbtool check PKG\n"
    "Checks the header (size, signature, data-area start), that the index lies within the\n"
    "file, and for every entry that its data lies within the file, that a \"TGF\" wrapped\n"
    "header is complete and consistent, that extract would accept its name, and that no\n"
    "two names name the same file on Windows (the same name twice, names that differ only\n"
    "in letter case, \"/\" against \"\\\"): extract and the window's export cannot write both;\n"
    "and names with a part shaped like a short (8.3) alias (\"LONGDI~1\"), which on Windows may\n"
    "reach another entry's file or folder.\n"
    "Prints one line per problem on standard output; exits with 1 when there are problems,\n"
    "0 when there are none, and 2 when the file cannot be read or is not a package.\n";

std::string Help(const std::string& optionLines) {
  return kHelp + (optionLines.empty() ? std::string() : "\n" + optionLines);
}

class ProblemList {
 public:
  void Add(const std::string& text) {
    ++count_;
    out_.Append(text + "\n");
  }
  void AddEntry(size_t index, size_t total, std::u16string_view name, const std::string& text) {
    Add(EntryLabel(index, total, name) + ": " + text);
  }
  size_t Count() const { return count_; }
  BufferedOutput& Out() { return out_; }

 private:
  BufferedOutput out_{Stream::kOut};
  size_t count_ = 0;
};

// The first entry of each name as Windows compares names: an open-addressing table of
// the names' digests (no text per entry), each hit confirmed by comparing the names.
class WindowsNames {
 public:
  WindowsNames(const IndexInPlace& index) : index_(index) {
    size_t size = 1024;
    while (size < 2 * index.Count() + 2) size *= 2;
    slots_.assign(size, Slot{0, 0});
  }
  // Asks for the slot of a name looked up soon: the table is far larger than the cache,
  // and waiting for each slot in turn took most of check's time.
  void Prefetch(std::u16string_view name) const {
    __builtin_prefetch(&slots_[Tag(name) & (slots_.size() - 1)]);
  }
  // The first entry before `i` that names the same file on Windows, or `i`.
  size_t Earlier(size_t i, std::u16string_view name) {
    const uint32_t tag = Tag(name);
    const size_t mask = slots_.size() - 1;
    for (size_t s = tag & mask;; s = (s + 1) & mask) {
      Slot& slot = slots_[s];
      if (slot.ref == 0) {
        slot = Slot{tag, static_cast<uint32_t>(i + 1)};
        return i;
      }
      if (slot.tag == tag && NamesCollideOnWindows(index_.Name(slot.ref - 1), name)) return slot.ref - 1;
    }
  }

 private:
  struct Slot {
    uint32_t tag;
    uint32_t ref;  // entry + 1; 0 empty
  };
  static uint32_t Tag(std::u16string_view name) {
    const uint64_t digest = WindowsNameDigest(name);
    return static_cast<uint32_t>(digest ^ (digest >> 32));
  }
  const IndexInPlace& index_;
  std::vector<Slot> slots_;
};

void CheckEntries(const PackageFile& package, const IndexInPlace& index, ProblemList& problems) {
  constexpr size_t kAhead = 16;  // entries between a slot's prefetch and its use
  const size_t count = index.Count();
  // Names are judged by extract's own plan, as extract would make it for every entry.
  sorv::rules::ExportPlan plan = ExtractFolder().MakePlan();
  plan.Reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) plan.Prefetch(index.Name(i + kAhead), std::u16string_view());
    plan.Add(index.Name(i), AppendedExtension(package.Content(index.Entry(i))));
  }
  WindowsNames windowsNames(index);
  for (size_t i = 0; i < count; ++i) {
    const RESENTRY entry = index.Entry(i);
    const std::u16string_view name = index.Name(i);
    const sorv::rules::ExportRefusal refusal = plan.Refusal(i);
    if (i + kAhead < count) windowsNames.Prefetch(index.Name(i + kAhead));
    const size_t j = windowsNames.Earlier(i, name);
    if (j != i && refusal == sorv::rules::ExportRefusal::kNone) {
      // Extract here writes both; on Windows they would be one file.
      const std::u16string_view other = index.Name(j);
      std::string text = "the same name as entry " + std::to_string(j + 1);
      if (other != name) {
        text = "names the same file on Windows as entry " + std::to_string(j + 1) + " \"";
        AppendDisplayName(other, text);
        text += "\" (letter case or \"/\" against \"\\\")";
      }
      problems.AddEntry(i, count, name, text + "; on Windows both would be one file");
    }
    const std::string damage = DescribeDataDamage(package, entry);
    if (!damage.empty()) {
      problems.AddEntry(i, count, name, damage);
    } else {
      const uint64_t size = static_cast<uint64_t>(entry.nSize);
      if (sorv::pkg::HasWrapMarker(entry.pData, size)) {
        if (size < sorv::pkg::kWrapHeaderMin) {
          problems.AddEntry(i, count, name,
                            "wrapped-image marker, but " + std::to_string(size) +
                                " bytes are too few for the 20-byte header; extract writes it unchanged");
        } else {
          const uint32_t length = sorv::pkg::WrapHeaderLength(entry.pData);
          if (length > size) {
            problems.AddEntry(i, count, name,
                              "wrapped header length " + std::to_string(length) + " exceeds the entry's " +
                                  std::to_string(size) + " bytes; extract writes it unchanged");
          } else if (length < sorv::pkg::kWrapHeaderMin) {
            problems.AddEntry(i, count, name,
                              "wrapped header length " + std::to_string(length) +
                                  " is shorter than the 20-byte header");
          }
        }
      }
    }
    for (size_t begin = 0; begin <= name.size();) {
      const size_t end = std::min(name.find_first_of(u"\\/", begin), name.size());
      if (sorv::rules::LooksLikeShortName(name.substr(begin, end - begin))) {
        problems.AddEntry(i, count, name,
                          "a part looks like a short (8.3) alias (\"~\" and a digit); on Windows it may name another "
                          "entry's file or folder");
        break;
      }
      begin = end + 1;
    }
    if (refusal != sorv::rules::ExportRefusal::kNone) {
      std::string text = std::string("extract refuses the name: ") + RefusalText(refusal);
      if (refusal == sorv::rules::ExportRefusal::kDuplicate || refusal == sorv::rules::ExportRefusal::kNameClash) {
        text += " (\"";
        AppendDisplayName(index.Name(plan.EarlierEntry(i)), text);
        text += "\")";
      }
      problems.AddEntry(i, count, name, text);
    }
    problems.Out().Appended();
  }
}

int Run(const CheckArguments& a) {
  const std::string& path = a.Positionals()[0];
  const std::string shown = path == "-" ? std::string("standard input") : path;
  PackageFile package;
  std::string error;
  bool mapped = false;
  // The index is read in place: a million entries need no record of their own.
  bool indexed = package.OpenArgument(path, error, &mapped, false);
  IndexInPlace index;
  sorv::pkg::IndexDamage where;
  if (indexed) {
    try {
      indexed = index.Read(package.File().Data(), package.File().Size(), &where);
      if (!indexed) error = PackageFile::kDamagedIndex;
    } catch (const std::bad_alloc&) {
      Report("check", shown + ": out of memory while reading the index");
      return kExitFailure;
    }
  }
  if (!mapped) {
    Report("check", shown + ": " + error);
    return kExitFailure;
  }
  const uint8_t* view = package.File().Data();
  const uint64_t size = package.File().Size();
  // A file that is not a package at all is refused as every command refuses it.
  if (size < sorv::pkg::kHeaderSize || !sorv::pkg::HasSignature(view, size)) {
    Report("check", shown + ": " + error);
    return kExitFailure;
  }
  ProblemList problems;
  {
    if (package.DataStart() > size) {
      problems.Add("the data area starts at " + std::to_string(package.DataStart()) +
                   ", past the end of the file (" + std::to_string(size) + " bytes)");
    }
    if (!indexed) {
      const std::string damage = DescribeIndexDamage(where);
      if (damage.empty()) {
        Report("check", shown + ": " + error);
        return kExitFailure;
      }
      problems.Add(damage);
    } else {
      CheckEntries(package, index, problems);
    }
  }
  if (problems.Count() == 0) {
    problems.Out().Append("ok: " + std::to_string(index.Count()) + " entries, no problems\n");
    return problems.Out().Flush() ? kExitOk : kExitPartial;
  }
  problems.Out().Append(std::to_string(problems.Count()) + (problems.Count() == 1 ? " problem\n" : " problems\n"));
  problems.Out().Flush();
  return kExitPartial;
}

}  // namespace

const Command kCheckCommand = {
    "check", "PKG", "check header, index, entry bounds, wrapped headers and names",
    Help, kOptions.Infos(), 1, 1, "expects one package", RunWith(kOptions, Run),
};

}  // namespace rdbtool
