#include "cli/RefusalText.h"

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

}  // namespace rdbtool
