// info PKG
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/PackageFile.h"
#include "cli/system/Console.h"
#include "package/ContentTypes.h"

namespace rdbtool {

namespace {

struct InfoArguments : Arguments {
  bool json = false;
};

const OptionTable<InfoArguments> kOptions = {
    {0, "json", &InfoArguments::json,
     "one JSON object instead: {\"entries\", \"data_area_start\", \"file_size\", \"outside\", \"wrapped\", "
     "\"types\": {\"png\": {\"entries\", \"bytes\"}, ...}}"},
};

const char kHelpStart[] =
    "Usage: rdbtool info PKG [--json]\n"
    "Shows the entry count, the data-area start, the file size, the number of entries\n"
    "whose data lies outside the file, the number of wrapped entries, and per recognised\n"
    "content type (none for unrecognised) the number of entries and their stored bytes.\n"
    "Entries outside the file are counted only on their own line; when there are any,\n"
    "standard error says so and the exit status is 1.\n"
    "\n";

std::string Help(const std::string& optionLines) { return kHelpStart + optionLines; }

std::string Row(const std::string& label, uint64_t value) {
  std::string line = label;
  line.append(label.size() < 18 ? 18 - label.size() : 1, ' ');
  return line + std::to_string(value) + "\n";
}

std::string Cell(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

int Run(const InfoArguments& a) {
  PackageFile package;
  if (!OpenPackage(a, "info", package)) return kExitFailure;

  // One row per content type, then one for none of them.
  const size_t rows = sorv::pkg::kContentTypeCount + 1;
  auto rowName = [](size_t i) {
    return i < sorv::pkg::kContentTypeCount ? sorv::pkg::kContentTypes[i].name : sorv::pkg::kNoContentTypeName;
  };
  std::vector<uint64_t> counts(rows), bytes(rows);
  uint64_t outside = 0, wrapped = 0;
  for (const RESENTRY& entry : package.Entries()) {
    const sorv::pkg::EntryContent content = package.Content(entry);
    if (!content.valid) {
      ++outside;
      continue;
    }
    if (content.wrapped) ++wrapped;
    const sorv::pkg::ContentType* type = sorv::pkg::ContentTypeOfExtension(content.ext);
    const size_t row = type ? static_cast<size_t>(type - sorv::pkg::kContentTypes) : rows - 1;
    ++counts[row];
    bytes[row] += static_cast<uint64_t>(entry.nSize);
  }
  std::string text;
  if (a.json) {
    auto field = [&](const char* name, uint64_t value) {
      text += std::string(text.size() > 1 ? "," : "") + "\"" + name + "\":" + std::to_string(value);
    };
    text = "{";
    field("entries", package.Entries().size());
    field("data_area_start", package.DataStart());
    field("file_size", package.File().Size());
    field("outside", outside);
    field("wrapped", wrapped);
    text += ",\"types\":{";
    for (size_t i = 0; i < rows; ++i) {
      text += std::string(i ? "," : "") + "\"" + rowName(i) + "\":{\"entries\":" + std::to_string(counts[i]) +
              ",\"bytes\":" + std::to_string(bytes[i]) + "}";
    }
    text += "}}\n";
    if (!WriteText(Stream::kOut, text)) return kExitPartial;
    return ReportOutside("info", outside) ? kExitPartial : kExitOk;
  }
  text += Row("entries:", package.Entries().size());
  text += Row("data area start:", package.DataStart());
  text += Row("file size:", package.File().Size());
  text += Row("outside the file:", outside);
  text += Row("wrapped:", wrapped);
  text += "\n" + Cell("type", 6) + Cell("entries", 10) + "bytes\n";
  for (size_t i = 0; i < rows; ++i)
    text += Cell(rowName(i), 6) + Cell(std::to_string(counts[i]), 10) + std::to_string(bytes[i]) + "\n";
  if (!WriteText(Stream::kOut, text)) return kExitPartial;
  return ReportOutside("info", outside) ? kExitPartial : kExitOk;
}

}  // namespace

const Command kInfoCommand = {
    "info", "PKG", "entry count, data-area start, file size, entries and bytes per type",
    Help, kOptions.Infos(), 1, 1, "expects one package", RunWith(kOptions, Run),
};

}  // namespace rdbtool
