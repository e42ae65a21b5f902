// Arbitrary lists of stored names (any UTF-16 units: lone surrogates, NULs, separators)
// planned for one export. Whatever the names, every planned target lies strictly inside
// the folder, every component of it is one the file system takes as a plain name, no two
// planned files are the same file as the file system compares names, no planned file has
// the name of a planned folder, and a duplicate always names an earlier planned entry.
//
// Input: one mode byte (comparison, limits, folder), then records of a length byte, an
// extension byte and that many 16-bit little-endian units.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "rules/ExportPlan.h"

using namespace sorv::rules;

namespace {

// A case-blind comparison beyond ASCII: Latin-1 letters, Greek sigma, fullwidth Latin.
void BlindFold(char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    char16_t& c = units[i];
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0xFF41 && c <= 0xFF5A))
      c = static_cast<char16_t>(c - 0x20);
    else if (c == 0x3C3 || c == 0x3C2)
      c = 0x3A3;
  }
}

std::u16string Folded(std::u16string text, FileNameFold fold) {
  if (fold && !text.empty()) fold(&text[0], text.size());
  return text;
}

const char16_t* const kExts[] = {u"", u".png", u".gft", u".PNG", u"."};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const FileNameFold fold = (mode & 1) ? &BlindFold : nullptr;
  ExportLimits limits = (mode & 2) ? HostExportLimits() : WindowsExportLimits();
  if (mode & 4) limits.maxPath = 48, limits.maxComponent = 12;  // reach the length refusals
  const bool host = (mode & 8) != 0;
  const std::u16string folder = host ? u"" : u"D:\\out\\";
  const char16_t sep = host ? u'/' : u'\\';

  std::vector<std::u16string> names;
  std::vector<std::u16string_view> exts;
  for (size_t at = 1; at + 2 <= size;) {
    const size_t units = data[at];
    const char16_t* ext = kExts[data[at + 1] % 5];
    at += 2;
    std::u16string name;
    for (size_t k = 0; k < units && at + 2 <= size; ++k, at += 2)
      name += static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    names.push_back(name);
    exts.push_back(ext);
  }

  ExportPlan plan(folder, limits, fold, sep);
  for (size_t i = 0; i < names.size(); ++i) plan.Add(names[i], exts[i]);
  if (plan.Size() != names.size()) __builtin_trap();

  std::set<std::u16string> files, folders;
  std::vector<std::u16string> targets(names.size());
  size_t allowed = 0;
  for (size_t i = 0; i < plan.Size(); ++i) {
    if (!plan.Allowed(i)) continue;
    ++allowed;
    const std::u16string path = plan.TargetPath(i);
    if (path.compare(0, plan.FolderText().size(), plan.FolderText()) != 0) __builtin_trap();
    if (!host && path.size() > limits.maxPath) __builtin_trap();
    // A UTF-8 file name cannot carry an unpaired surrogate: such a name is never allowed.
    if (limits.utf8) {
      for (size_t k = 0; k < path.size(); ++k) {
        const char16_t c = path[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < path.size() && path[k + 1] >= 0xDC00 && path[k + 1] <= 0xDFFF) ++k;
        else if (c >= 0xD800 && c <= 0xDFFF) __builtin_trap();
      }
    }
    const std::u16string rest = path.substr(plan.FolderText().size());
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t k = 0; k <= rest.size(); ++k) {
      if (k < rest.size() && rest[k] != sep) continue;
      parts.push_back(rest.substr(start, k - start));
      start = k + 1;
    }
    if (parts != plan.Components(i)) __builtin_trap();
    if (parts.size() != plan.Depth(plan.Folder(i)) + 1u) __builtin_trap();
    std::u16string prefix;
    for (size_t k = 0; k < parts.size(); ++k) {
      const std::u16string& part = parts[k];
      // A plain name: not empty, no "." or "..", no separator, device name, ":" or
      // trailing dot or space.
      if (CheckExportComponent(part) != ExportRefusal::kNone) __builtin_trap();
      if (part.find(u'\\') != std::u16string::npos || part.find(u'/') != std::u16string::npos) __builtin_trap();
      if (!host && part.size() > limits.maxComponent) __builtin_trap();
      prefix += Folded(part, fold);
      if (k + 1 < parts.size()) {
        folders.insert(prefix);
        prefix += u'\\';
      }
    }
    if (!files.insert(prefix).second) __builtin_trap();  // two planned files, one file
    targets[i] = prefix;
  }
  if (allowed != plan.AllowedCount()) __builtin_trap();
  for (const std::u16string& file : files)
    if (folders.count(file)) __builtin_trap();  // a file where a folder is planned

  for (size_t i = 0; i < plan.Size(); ++i) {
    const ExportRefusal r = plan.Refusal(i);
    if (r != ExportRefusal::kDuplicate && r != ExportRefusal::kNameClash) continue;
    const size_t earlier = plan.EarlierEntry(i);
    if (earlier >= i) __builtin_trap();
    // The same file: the earlier entry was planned and has this target.
    if (r == ExportRefusal::kDuplicate) {
      if (!plan.Allowed(earlier)) __builtin_trap();
      ExportPlan single(folder, limits, fold, sep);
      single.Add(names[i], exts[i]);
      if (!single.Allowed(0)) __builtin_trap();
      std::u16string mine;
      const std::vector<std::u16string> parts = single.Components(0);
      for (size_t k = 0; k < parts.size(); ++k) mine += (k ? u"\\" : u"") + Folded(parts[k], fold);
      if (mine != targets[earlier]) __builtin_trap();
    }
  }
  return 0;
}
