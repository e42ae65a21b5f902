#include "rules/ExportPlan.h"

#include <stdexcept>

#include "platform/TextRules.h"

namespace sorv {
namespace rules {

namespace {

// Length of `text` in the limits' unit: UTF-16 units, or the bytes of its UTF-8 form (a
// lone surrogate counted as the 3-byte replacement character).
size_t MeasuredLength(std::u16string_view text, bool utf8) {
  if (!utf8) return text.size();
  size_t bytes = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80) bytes += 1;
    else if (c < 0x800) bytes += 2;
    else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) bytes += 4, ++i;
    else bytes += 3;
  }
  return bytes;
}

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) return true;
  }
  return false;
}

constexpr uint64_t kFnvOffset = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

}  // namespace

ExportLimits WindowsExportLimits() { return ExportLimits{32767, 255, false}; }
ExportLimits HostExportLimits() { return ExportLimits{4095, 255, true}; }

ExportPlan::ExportPlan(std::u16string_view folder, ExportLimits limits, FileNameFold fold, char16_t separator)
    : folder_(folder), limits_(limits), fold_(fold), separator_(separator) {
  if (!folder_.empty()) {
    if (IsSeparator(folder_.back())) folder_.back() = separator_;
    else folder_ += separator_;
  }
  folders_.push_back(FolderNode{0, 0, 0, 0, 0});  // folder 0, the chosen folder
  exts_.push_back(std::u16string_view());
  slots_.assign(1024, Slot{0, 0});
}

void ExportPlan::Reserve(size_t entries) {
  entries_.reserve(entries);
  // Every entry may be a distinct file: a table for all of them, at most half full.
  size_t slots = slots_.size();
  while (slots < 2 * entries + 2) slots *= 2;
  if (slots > slots_.size()) Grow(slots);
}

ExportRefusal ExportPlan::CheckName(std::u16string_view name, std::u16string_view ext, size_t known) const {
  const size_t folderLength = MeasuredLength(folder_, limits_.utf8);
  // A name longer than the whole limit is refused before it is looked at any further:
  // its length alone decides (UTF-8 never takes fewer bytes than UTF-16 units).
  if (name.size() > limits_.maxPath || folderLength + name.size() + ext.size() > limits_.maxPath ||
      name.size() > UINT16_MAX) {
    return ExportRefusal::kTooLong;
  }
  size_t start = known;
  ExportRefusal tooLong = ExportRefusal::kNone;
  for (size_t i = known; i <= name.size(); ++i) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    const std::u16string_view part = name.substr(start, i - start);
    ExportRefusal refusal = CheckExportComponent(part);
    // The file's name as written, with the appended text, must be as plain as the rest.
    if (refusal == ExportRefusal::kNone && i == name.size() && !ext.empty())
      refusal = CheckExportComponent(std::u16string(part) + std::u16string(ext));
    if (refusal != ExportRefusal::kNone) return refusal;
    size_t length = MeasuredLength(part, limits_.utf8);
    if (i == name.size()) length += MeasuredLength(ext, limits_.utf8);
    if (length > limits_.maxComponent) tooLong = ExportRefusal::kTooLong;
    start = i + 1;
  }
  if (tooLong != ExportRefusal::kNone) return tooLong;
  if (limits_.utf8 && (HasUnpairedSurrogate(name) || HasUnpairedSurrogate(ext)))
    return ExportRefusal::kUnpairedSurrogate;
  if (folderLength + MeasuredLength(name, limits_.utf8) + MeasuredLength(ext, limits_.utf8) > limits_.maxPath) {
    return ExportRefusal::kTooLong;
  }
  return ExportRefusal::kNone;
}

uint32_t ExportPlan::Hash(uint32_t parent, std::u16string_view part, std::u16string_view ext) {
  uint64_t h = kFnvOffset ^ parent;
  h *= kFnvPrime;
  auto add = [&h](std::u16string_view text) {
    for (char16_t c : text) {
      h ^= c;
      h *= kFnvPrime;
    }
  };
  if (fold_) {
    // Folded once here; SameName compares with this text.
    scratchA_.assign(part);
    scratchA_.append(ext);
    if (!scratchA_.empty()) fold_(&scratchA_[0], scratchA_.size());
    add(scratchA_);
  } else {
    add(part);
    add(ext);
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

bool ExportPlan::SameName(uint32_t ref, uint32_t parent, std::u16string_view part, std::u16string_view ext) {
  std::u16string_view ownerPart, ownerExt;
  if (ref & kFolderBit) {
    const FolderNode& f = folders_[ref & ~kFolderBit];
    if (f.parent != parent) return false;
    ownerPart = entries_[f.entry].Name().substr(f.begin, f.length);
  } else {
    const Entry& owner = entries_[ref];
    if (owner.link != parent) return false;
    ownerPart = owner.Name().substr(owner.fileBegin);
    ownerExt = exts_[owner.ext];
  }
  if (ownerPart.size() + ownerExt.size() != part.size() + ext.size()) return false;
  if (!fold_) {
    // Exact names: compared where they are, split at either text's end.
    const size_t n = part.size() + ext.size();
    for (size_t i = 0; i < n; ++i) {
      const char16_t a = i < ownerPart.size() ? ownerPart[i] : ownerExt[i - ownerPart.size()];
      const char16_t b = i < part.size() ? part[i] : ext[i - part.size()];
      if (a != b) return false;
    }
    return true;
  }
  scratchB_.assign(ownerPart);
  scratchB_.append(ownerExt);
  if (!scratchB_.empty()) fold_(&scratchB_[0], scratchB_.size());
  return scratchA_ == scratchB_;
}

size_t ExportPlan::Find(uint32_t hash, uint32_t parent, std::u16string_view part, std::u16string_view ext) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.ref == 0 || (s.hash == hash && SameName(s.ref - 1, parent, part, ext))) return i;
  }
}

void ExportPlan::Insert(size_t slot, uint32_t hash, uint32_t ref) {
  slots_[slot] = Slot{hash, ref + 1};
  if (++used_ * 2 > slots_.size()) Grow(slots_.size() * 2);
}

void ExportPlan::Grow(size_t size) {
  std::vector<Slot> bigger(size, Slot{0, 0});
  const size_t mask = bigger.size() - 1;
  for (const Slot& s : slots_) {
    if (s.ref == 0) continue;
    size_t i = s.hash & mask;
    while (bigger[i].ref != 0) i = (i + 1) & mask;
    bigger[i] = s;
  }
  slots_.swap(bigger);
}

uint16_t ExportPlan::ExtensionIndex(std::u16string_view ext) {
  if (ext.empty()) return 0;
  // A handful of texts, most entries repeating the one before.
  for (size_t i = exts_.size(); i-- > 1;)
    if (exts_[i] == ext) return static_cast<uint16_t>(i);
  if (exts_.size() > UINT16_MAX) throw std::length_error("too many distinct appended texts in one export plan");
  exts_.push_back(ext);
  return static_cast<uint16_t>(exts_.size() - 1);
}

void ExportPlan::Prefetch(std::u16string_view storedName, std::u16string_view appendExt) {
  const size_t folderText = lastFolderText_.size();
  if (folderText == 0 || storedName.size() <= folderText || storedName.compare(0, folderText, lastFolderText_) != 0)
    return;
  const std::u16string_view file = storedName.substr(folderText);
  for (char16_t c : file)
    if (IsSeparator(c)) return;
  __builtin_prefetch(&slots_[Hash(lastFolder_, file, appendExt) & (slots_.size() - 1)]);
}

void ExportPlan::Add(std::u16string_view storedName, std::u16string_view appendExt) {
  const uint32_t index = static_cast<uint32_t>(entries_.size());
  const uint32_t length = storedName.size() > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(storedName.size());
  entries_.push_back(Entry{storedName.data(), length, 0, ExtensionIndex(appendExt), 0, ExportRefusal::kNone});
  // The name's folders, when they are the last allowed entry's: judged and found then.
  size_t known = 0;
  const size_t folderText = lastFolderText_.size();
  if (folderText != 0 && storedName.size() > folderText && IsSeparator(storedName[folderText - 1]) &&
      storedName.compare(0, folderText, lastFolderText_) == 0) {
    known = folderText;
  }
  const ExportRefusal refusal = CheckName(storedName, appendExt, known);
  if (refusal != ExportRefusal::kNone) {
    entries_.back().refusal = refusal;
    return;
  }

  uint32_t parent = known ? lastFolder_ : 0;
  uint32_t depth = known ? lastDepth_ : 0;
  size_t start = known;
  for (size_t i = known; i <= storedName.size(); ++i) {
    if (i < storedName.size() && !IsSeparator(storedName[i])) continue;
    const bool last = i == storedName.size();
    const std::u16string_view part = storedName.substr(start, i - start);
    const std::u16string_view ext = last ? appendExt : std::u16string_view();
    const uint32_t hash = Hash(parent, part, ext);
    const size_t slot = Find(hash, parent, part, ext);
    Entry& self = entries_[index];
    const uint32_t ref = slots_[slot].ref;
    if (ref != 0) {
      const bool file = !((ref - 1) & kFolderBit);
      if (last || file) {
        // The first entry in index order keeps the name.
        self.refusal = (last && file) ? ExportRefusal::kDuplicate : ExportRefusal::kNameClash;
        self.link = file ? ref - 1 : folders_[(ref - 1) & ~kFolderBit].entry;
        return;
      }
      parent = (ref - 1) & ~kFolderBit;
    } else if (!last) {
      const uint32_t folder = static_cast<uint32_t>(folders_.size());
      folders_.push_back(FolderNode{parent, index, static_cast<uint32_t>(start), static_cast<uint32_t>(i - start),
                                    depth + 1});
      Insert(slot, hash, folder | kFolderBit);
      parent = folder;
    } else {
      self.link = parent;
      self.fileBegin = static_cast<uint16_t>(start);
      Insert(slot, hash, index);
      lastFolderText_ = storedName.substr(0, start);
      lastFolder_ = parent;
      lastDepth_ = depth;
    }
    ++depth;
    start = i + 1;
  }
  ++allowed_;
}

std::u16string_view ExportPlan::FolderName(uint32_t folder) const {
  if (folder == 0) return std::u16string_view();
  const FolderNode& f = folders_[folder];
  return entries_[f.entry].Name().substr(f.begin, f.length);
}

std::u16string_view ExportPlan::FileName(size_t entry) const {
  const Entry& e = entries_[entry];
  return e.Name().substr(e.fileBegin);
}

std::u16string ExportPlan::TargetPath(size_t entry) const {
  const Entry& e = entries_[entry];
  const std::u16string_view name = e.Name();
  const std::u16string_view ext = exts_[e.ext];
  std::u16string path;
  path.reserve(folder_.size() + name.size() + ext.size());
  path = folder_;
  for (char16_t c : name) path += IsSeparator(c) ? separator_ : c;
  path.append(ext);
  return path;
}

std::vector<std::u16string> ExportPlan::Components(size_t entry) const {
  const Entry& e = entries_[entry];
  const std::u16string_view name = e.Name();
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    parts.emplace_back(name.substr(start, i - start));
    start = i + 1;
  }
  parts.back().append(exts_[e.ext]);
  return parts;
}

}  // namespace rules
}  // namespace sorv
