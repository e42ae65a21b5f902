// What the commands share: opening a package, the entry selection their options ask for,
// and writing a new package.
#include "cli/Commands.h"

#include <new>

#include "cli/EntrySelection.h"
#include "cli/IndexInPlace.h"
#include "cli/PackageAssembly.h"
#include "cli/PackageFile.h"
#include "cli/system/MappedFile.h"
#include "cli/system/OutputFile.h"
#include "package/ContentTypes.h"

namespace rdbtool {

bool OpenPackage(const Arguments& args, const char* command, PackageFile& package, bool readIndex) {
  const std::string& path = args.Positionals()[0];
  std::string error;
  if (package.OpenArgument(path, error, nullptr, readIndex)) return true;
  Report(command, (path == "-" ? std::string("standard input") : path) + ": " + error);
  return false;
}

bool ReadIndexInPlace(const Arguments& args, const char* command, const PackageFile& package, IndexInPlace& index) {
  const std::string& path = args.Positionals()[0];
  const std::string shown = path == "-" ? std::string("standard input") : path;
  try {
    if (index.Read(package.File().Data(), package.File().Size())) return true;
    Report(command, shown + ": " + PackageFile::kDamagedIndex);
  } catch (const std::bad_alloc&) {
    Report(command, shown + ": out of memory while reading the index");
  }
  return false;
}

std::u16string_view AppendedExtension(const sorv::pkg::EntryContent& content) {
  if (!content.wrapped || !content.ext) return std::u16string_view();
  // The content types' extensions as UTF-16 text (ResChar is wchar_t on Windows), made
  // once, so that a million entries need no text of their own.
  static const std::vector<std::u16string> exts = [] {
    std::vector<std::u16string> texts;
    for (size_t i = 0; i < sorv::pkg::kContentTypeCount; ++i) {
      std::u16string text;
      for (const ResChar* c = sorv::pkg::kContentTypes[i].ext; *c; ++c) text += static_cast<char16_t>(*c);
      texts.push_back(text);
    }
    return texts;
  }();
  const sorv::pkg::ContentType* type = sorv::pkg::ContentTypeOfExtension(content.ext);
  if (type) return exts[static_cast<size_t>(type - sorv::pkg::kContentTypes)];
  return std::u16string_view();
}

void SelectByOptions(const SelectionOptions& options, EntrySelection& selection) {
  std::string error;
  for (const std::string& t : options.types)
    if (!selection.AddTypes(t, error)) throw UsageError(error);
  for (const std::string& m : options.matches)
    if (!selection.AddPattern(m, error)) throw UsageError(error);
  for (const std::string& x : options.excludes)
    if (!selection.AddExclusion(x, error)) throw UsageError(error);
}

bool ReportOutside(const char* command, size_t outside) {
  if (outside == 0) return false;
  Report(command, std::to_string(outside) + (outside == 1 ? " entry's data lies" : " entries' data lie") +
                      " outside the file (try 'rdbtool check')");
  return true;
}

int CommitPackage(EntryList& entries, const std::vector<std::string>& wrapExtensions,
                  OutputFile& out, const char* command, size_t leftOut, MappedFile* kept, bool onlyWhole,
                  CopyAhead* ahead) {
  const AssemblyResult result = WriteNewPackage(entries, wrapExtensions, out, command, kept, ahead);
  if (!result.ok) return kExitFailure;
  if (onlyWhole && result.leftOut > 0) {
    // The temporary file goes with `out`; what was there stays.
    Report(command, out.Display() + ": not replaced: " + std::to_string(result.leftOut) +
                        (result.leftOut == 1 ? " entry" : " entries") + " could not be written whole");
    return kExitFailure;
  }
  // The old package goes before the new one takes its place (Windows keeps a mapped file).
  if (kept) kept->Close();
  std::string error;
  if (!out.Commit(error)) {
    Report(command, error);
    return kExitFailure;
  }
  return leftOut + result.leftOut ? kExitPartial : kExitOk;
}

}  // namespace rdbtool
