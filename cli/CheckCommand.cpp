// check PKG
#include <unordered_map>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExtractFolder.h"
#include "cli/RefusalText.h"
#include "cli/MappedFile.h"
#include "cli/PackageDamage.h"
#include "cli/PackageFile.h"
#include "cli/Utf.h"
#include "cli/WindowsName.h"

namespace rdbtool {

namespace {

const char kHelp[] =
    "Usage: rdbtool check PKG\n"
    "Checks the header (size, signature, data-area start), that the index lies within the\n"
    "file, and for every entry that its data lies within the file, that a \"TGF\" wrapped\n"
    "header is complete and consistent, that extract would accept its name, and that no\n"
    "two names name the same file on Windows (the same name twice, names that differ only\n"
    "in letter case, \"/\" against \"\\\"): extract and the window's export cannot write both.\n"
    "Prints one line per problem on standard output; exits with 1 when there are problems,\n"
    "0 when there are none, and 2 when the file cannot be read at all.\n";

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

void CheckEntries(const PackageFile& package, ProblemList& problems) {
  const std::vector<RESENTRY>& entries = package.Entries();
  std::unordered_map<std::u16string, size_t> firstWithKey;
  firstWithKey.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const RESENTRY& entry = entries[i];
    const std::u16string_view name = PackageFile::Name(entry);
    const auto seen = firstWithKey.emplace(WindowsNameKey(name), i);
    if (!seen.second) {
      const size_t j = seen.first->second;
      const std::u16string_view other = PackageFile::Name(entries[j]);
      std::string text = "the same name as entry " + std::to_string(j + 1);
      if (other != name) {
        text = "names the same file on Windows as entry " + std::to_string(j + 1) + " \"";
        AppendDisplayName(other, text);
        text += "\" (letter case or \"/\" against \"\\\")";
      }
      problems.AddEntry(i, entries.size(), name, text + "; on Windows both would be one file");
    }
    const std::string damage = DescribeDataDamage(package, entry);
    if (!damage.empty()) {
      problems.AddEntry(i, entries.size(), name, damage);
    } else {
      const uint64_t size = static_cast<uint64_t>(entry.nSize);
      if (sorv::pkg::HasWrapMarker(entry.pData, size)) {
        if (size < sorv::pkg::kWrapHeaderMin) {
          problems.AddEntry(i, entries.size(), name,
                            "wrapped-image marker, but " + std::to_string(size) +
                                " bytes are too few for the 20-byte header; extract writes it unchanged");
        } else {
          const uint32_t length = sorv::pkg::WrapHeaderLength(entry.pData);
          if (length > size) {
            problems.AddEntry(i, entries.size(), name,
                              "wrapped header length " + std::to_string(length) + " exceeds the entry's " +
                                  std::to_string(size) + " bytes; extract writes it unchanged");
          } else if (length < sorv::pkg::kWrapHeaderMin) {
            problems.AddEntry(i, entries.size(), name,
                              "wrapped header length " + std::to_string(length) +
                                  " is shorter than the 20-byte header");
          }
        }
      }
    }
    const sorv::rules::ExportTarget target = sorv::rules::MakeExportTarget(u".", std::u16string(name));
    if (!target.Allowed())
      problems.AddEntry(i, entries.size(), name, std::string("extract refuses the name: ") + RefusalText(target.refusal));
    problems.Out().Appended();
  }
}

int Run(const Arguments& a) {
  const std::string& path = a.Positionals()[0];
  PackageFile package;
  std::string error;
  bool mapped = false;
  const bool indexed = package.Open(ToNativePath(path), error, &mapped);
  if (!mapped) {
    Report("check", path + ": " + error);
    return kExitFailure;
  }
  ProblemList problems;
  const uint8_t* view = package.File().Data();
  const uint64_t size = package.File().Size();
  if (size < sorv::pkg::kHeaderSize) {
    problems.Add("the file has " + std::to_string(size) + " bytes, fewer than the 36-byte header");
  } else if (!sorv::pkg::HasSignature(view, size)) {
    problems.Add("the signature does not match: not a package");
  } else {
    if (package.DataStart() > size) {
      problems.Add("the data area starts at " + std::to_string(package.DataStart()) +
                   ", past the end of the file (" + std::to_string(size) + " bytes)");
    }
    if (!indexed) {
      const std::string damage = DescribeIndexDamage(package.Damage());
      if (damage.empty()) {
        Report("check", path + ": " + error);
        return kExitFailure;
      }
      problems.Add(damage);
    } else {
      CheckEntries(package, problems);
    }
  }
  if (problems.Count() == 0) {
    problems.Out().Append("ok: " + std::to_string(package.Entries().size()) + " entries, no problems\n");
    return problems.Out().Flush() ? kExitOk : kExitPartial;
  }
  problems.Out().Append(std::to_string(problems.Count()) + (problems.Count() == 1 ? " problem\n" : " problems\n"));
  problems.Out().Flush();
  return kExitPartial;
}

}  // namespace

const Command kCheckCommand = {
    "check", "PKG", "check header, index, entry bounds, wrapped headers and names",
    [] { return std::string(kHelp); }, {}, 1, 1, "expects one package", Run,
};

}  // namespace rdbtool
