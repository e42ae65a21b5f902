// Where an export writes an entry, and whether it may: the target path below the chosen
// folder, or a refusal when the stored name could reach outside that folder or name a
// device. Also the message that ends an export.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorv {
namespace rules {

enum class ExportRefusal {
  kNone,               // allowed
  kNoFolder,           // the folder text is empty
  kEmptyComponent,     // empty name, leading or trailing separator, "\\" (also "\\server")
  kDotComponent,       // a component "." or ".."
  kColon,              // ":" anywhere: a drive ("C:\x") or an alternate stream ("a:b")
  kControlCharacter,   // U+0000-U+001F or U+007F-U+009F
  kInvalidCharacter,   // < > " | ? *: the file system refuses them, and they are wildcards
  kTrailingDotOrSpace, // the file system drops these, so "x." would become "x" and ".. " ".."
  kReservedName,       // a device name, with or without extension (CON, CON.png, "con .x")
  // Decided by the export plan, which sees every entry of the export:
  kTooLong,            // the target path or one of its names is longer than the platform allows
  kUnpairedSurrogate,  // a lone UTF-16 surrogate, which a UTF-8 file name cannot carry
  kDuplicate,          // an earlier entry has the same target file, as the file system compares
  kNameClash,          // an earlier entry needs this file's name as a folder, or the other way round
};

struct ExportTarget {
  ExportRefusal refusal = ExportRefusal::kNone;
  std::u16string path;       // folder + name, every "/" of the name made "\"
  // The name's components in order ("a", "b", "c.png" for a\b\c.png), for callers that
  // build the path on their own terms (the command-line tool on hosts with "/" paths).
  std::vector<std::u16string> components;

  bool Allowed() const { return refusal == ExportRefusal::kNone; }
};

// The target of entry `storedName` in `folder` (as the folder chooser gives it, ending with
// "\"; a missing final "\" is added). The stored name is split at "\" and "/" and every
// component is checked; on a refusal the paths are left empty. An allowed name has only
// plain components, so the path lies inside the folder.
ExportTarget MakeExportTarget(const std::u16string& folder, const std::u16string& storedName);

// Why one component of a stored name (between separators) must not be written, or kNone.
ExportRefusal CheckExportComponent(std::u16string_view component);

// True for CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9, LPT0-LPT9 and COM/LPT with
// a superscript 1, 2 or 3, ignoring ASCII case, with or without an extension (the text
// before the first "."), and with trailing spaces before it.
bool IsReservedDeviceName(std::u16string_view component);

// The message at the end of an export: "导出文件完成!" when every listed entry was
// written, else that text, "\r\n\r\n" and "失败: <notExported>".
std::u16string ExportDoneMessage(size_t notExported);

}  // namespace rules
}  // namespace sorv
