// check PKG
#include <cstring>
#include <unordered_map>

#include "Arguments.h"
#include "Commands.h"
#include "Console.h"
#include "ExtractFolder.h"
#include "MappedFile.h"
#include "PackageFile.h"
#include "Utf.h"
#include "WindowsName.h"

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

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Where the shared index reader gave up: the first record that does not fit, for the
// report only (the reader itself has already refused the index). Empty when every record
// fits.
std::string LocateIndexDamage(const uint8_t* view, uint64_t size) {
  const uint64_t count = U32(view + 16);
  const uint64_t room = (size - sorv::pkg::kHeaderSize) / sorv::pkg::kMinRecordSize;
  if (count > room) {
    return "the header counts " + std::to_string(count) + " entries, but the file has room for at most " +
           std::to_string(room) + " index records";
  }
  uint64_t p = sorv::pkg::kHeaderSize;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t q = p;
    while (q + 2 <= size && (view[q] | view[q + 1]) != 0) q += 2;
    if (q + 2 > size) {
      return "index record " + std::to_string(i + 1) + " of " + std::to_string(count) + " (at offset " +
             std::to_string(p) + "): its name runs past the end of the file";
    }
    if (size - (q + 2) < 16) {
      return "index record " + std::to_string(i + 1) + " of " + std::to_string(count) + " (at offset " +
             std::to_string(p) + "): its offset and size fields run past the end of the file";
    }
    p = q + 2 + 16;
  }
  return std::string();  // the index fits: the reader failed for another reason
}

class ProblemList {
 public:
  void Add(const std::string& text) {
    ++count_;
    out_.Append(text + "\n");
  }
  void AddEntry(size_t index, size_t total, std::u16string_view name, const std::string& text) {
    std::string line = "entry " + std::to_string(index + 1) + " of " + std::to_string(total) + " \"";
    AppendDisplayName(name, line);
    Add(line + "\": " + text);
  }
  size_t Count() const { return count_; }
  BufferedOutput& Out() { return out_; }

 private:
  BufferedOutput out_{Stream::kOut};
  size_t count_ = 0;
};

void CheckEntries(const PackageFile& package, ProblemList& problems) {
  const uint64_t fileSize = package.File().Size();
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
    const sorv::pkg::EntryContent content = package.Content(entry);
    if (entry.nSize < 0) {
      problems.AddEntry(i, entries.size(), name, "negative size " + std::to_string(entry.nSize));
    } else if (!content.valid) {
      // The offset field follows the name's terminator inside the index.
      const uint8_t* fields = reinterpret_cast<const uint8_t*>(entry.pszName) + 2 * (name.size() + 1);
      const uint64_t start = package.DataStart() + U32(fields);
      problems.AddEntry(i, entries.size(), name,
                        "data at offset " + std::to_string(start) + " with size " + std::to_string(entry.nSize) +
                            " reaches past the end of the file (" + std::to_string(fileSize) + " bytes)");
    } else {
      static const uint8_t kMarker[4] = {'T', 'G', 'F', 0};
      const uint64_t size = static_cast<uint64_t>(entry.nSize);
      if (size >= 4 && std::memcmp(entry.pData, kMarker, 4) == 0) {
        if (size < sorv::pkg::kWrapHeaderMin) {
          problems.AddEntry(i, entries.size(), name,
                            "wrapped-image marker, but " + std::to_string(size) +
                                " bytes are too few for the 20-byte header; extract writes it unchanged");
        } else {
          const uint32_t length = U32(entry.pData + 16);
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
    const sorv::app::ExportTarget target = sorv::app::MakeExportTarget(u".", std::u16string(name));
    if (!target.Allowed())
      problems.AddEntry(i, entries.size(), name, std::string("extract refuses the name: ") + RefusalText(target.refusal));
    problems.Out().Appended();
  }
}

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
  Arguments a(args, {});
  if (a.WantsHelp()) {
    PrintHelp(kHelp);
    return kExitOk;
  }
  if (a.Positionals().size() != 1) throw UsageError("expects one package");
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
      const std::string damage = LocateIndexDamage(view, size);
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

}  // namespace rdbtool
