#include "cli/RefusalText.h"

#include "cli/Utf.h"

namespace rdbtool {

const char* RefusalText(sorv::rules::ExportRefusal refusal) {
  using sorv::rules::ExportRefusal;
  switch (refusal) {
    case ExportRefusal::kNone: return "allowed";
    case ExportRefusal::kNoFolder: return "no output folder";
    case ExportRefusal::kEmptyComponent: return "unsafe name: empty part (leading, trailing or doubled separator)";
    case ExportRefusal::kDotComponent: return "unsafe name: a \".\" or \"..\" part";
    case ExportRefusal::kColon: return "unsafe name: contains \":\" (drive or stream)";
    case ExportRefusal::kControlCharacter: return "unsafe name: contains a control character";
    case ExportRefusal::kInvalidCharacter: return "unsafe name: contains one of < > \" | ? *";
    case ExportRefusal::kTrailingDotOrSpace: return "unsafe name: a part ends with \".\" or a space";
    case ExportRefusal::kReservedName: return "unsafe name: a part is a device name (CON, NUL, COM1, ...)";
    case ExportRefusal::kTooLong: return "too long: the path or one of its names is longer than this system allows";
    case ExportRefusal::kUnpairedSurrogate: return "unsafe name: holds an unpaired UTF-16 surrogate, which no host file name can carry";
    case ExportRefusal::kDuplicate: return "duplicate: an earlier entry has the same target file";
    case ExportRefusal::kNameClash: return "duplicate: an earlier entry uses this name for a file where a folder is needed, or the other way round";
  }
  return "unsafe name";
}

std::string NameInMessage(std::u16string_view name) {
  size_t units = 0;
  for (size_t characters = 0; units < name.size() && characters < kShownNameLength; ++characters) {
    const bool pair = name[units] >= 0xD800 && name[units] <= 0xDBFF && units + 1 < name.size() &&
                      name[units + 1] >= 0xDC00 && name[units + 1] <= 0xDFFF;
    units += pair ? 2 : 1;
  }
  std::string text;
  AppendDisplayName(name.substr(0, units), text);
  if (units < name.size()) text += "\xE2\x80\xA6";  // …
  return text;
}

}  // namespace rdbtool
