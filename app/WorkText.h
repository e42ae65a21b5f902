// Texts the window shows while long work runs and when an export is stopped, and the
// reading of a folder path typed into the folder chooser.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "rules/ExportPath.h"

namespace sorv {
namespace app {

// Pane 0 during work: "<label> <done>/<total>", or "<label> <percent>%" when `percent`;
// the label alone while the total is not known (0).
std::u16string ProgressText(const std::u16string& label, size_t done, size_t total, bool percent);

// The message after an export the user stopped: how many files were written of how many.
std::u16string ExportStoppedMessage(size_t written, size_t total);

// One entry an export did not write: its stored name and why, in words.
struct NotExportedEntry {
  std::u16string name;
  std::u16string reason;
};
// How many entries the message after an export names, and how long a name it shows whole.
const size_t kNamedNotExported = 10;
const size_t kNotExportedNameUnits = 40;

// The message after an export that ran to its end: rules::ExportDoneMessage's lines, then
// one line "<name>: <reason>" per entry of `named` (the first ones not written, at most
// kNamedNotExported of them; a longer name keeps its start and end around "…"), then "…"
// when more entries were not written than are named.
std::u16string ExportDoneText(size_t notExported, const std::vector<NotExportedEntry>& named);
// Why the export plan refused an entry, in the window's words.
std::u16string RefusalWords(rules::ExportRefusal refusal);
// `name` cut to `units` UTF-16 units: its start, "…" and its end; whole when it fits.
std::u16string ShortenedName(const std::u16string& name, size_t units);

// A folder path typed into the chooser's edit box, made absolute: a path with a drive
// ("D:\x", "D:x", "D:") or a network path ("\\server\share\x") stands for itself; one that
// starts with a single "\" starts at the root of `base`; anything else is relative to
// `base`, the folder selected in the browser. "/" separates as "\" does; "." and ".."
// components are resolved, never above the root. Surrounding blanks and one pair of
// quotes are ignored. False (and `out` empty) for an empty text, a relative text with no
// usable base, or a name with characters no folder name can hold.
bool ResolveTypedFolder(const std::u16string& base, const std::u16string& typed, std::u16string& out);

}  // namespace app
}  // namespace sorv
