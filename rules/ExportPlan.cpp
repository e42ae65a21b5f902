#include "rules/ExportPlan.h"

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
  folders_.push_back(0);  // folder 0, the chosen folder, has no node
  slots_.assign(1024, 0);
}

ExportRefusal ExportPlan::CheckName(const Entry& e) const {
  const size_t folderLength = MeasuredLength(folder_, limits_.utf8);
  // A name longer than the whole limit is refused before it is looked at any further:
  // its length alone decides (UTF-8 never takes fewer bytes than UTF-16 units).
  if (e.name.size() > limits_.maxPath || folderLength + e.name.size() + e.ext.size() > limits_.maxPath) {
    return ExportRefusal::kTooLong;
  }
  size_t start = 0;
  ExportRefusal tooLong = ExportRefusal::kNone;
  for (size_t i = 0; i <= e.name.size(); ++i) {
    if (i < e.name.size() && !IsSeparator(e.name[i])) continue;
    const std::u16string_view part = e.name.substr(start, i - start);
    ExportRefusal refusal = CheckExportComponent(part);
    // The file's name as written, with the appended text, must be as plain as the rest.
    if (refusal == ExportRefusal::kNone && i == e.name.size() && !e.ext.empty())
      refusal = CheckExportComponent(std::u16string(part) + std::u16string(e.ext));
    if (refusal != ExportRefusal::kNone) return refusal;
    size_t length = MeasuredLength(part, limits_.utf8);
    if (i == e.name.size()) length += MeasuredLength(e.ext, limits_.utf8);
    if (length > limits_.maxComponent) tooLong = ExportRefusal::kTooLong;
    start = i + 1;
  }
  if (tooLong != ExportRefusal::kNone) return tooLong;
  if (limits_.utf8 && (HasUnpairedSurrogate(e.name) || HasUnpairedSurrogate(e.ext)))
    return ExportRefusal::kUnpairedSurrogate;
  if (folderLength + MeasuredLength(e.name, limits_.utf8) + MeasuredLength(e.ext, limits_.utf8) > limits_.maxPath) {
    return ExportRefusal::kTooLong;
  }
  return ExportRefusal::kNone;
}

uint64_t ExportPlan::Hash(uint32_t parent, std::u16string_view part, std::u16string_view ext) {
  scratchA_.assign(part);
  scratchA_.append(ext);
  if (fold_) fold_(&scratchA_[0], scratchA_.size());
  uint64_t h = kFnvOffset ^ parent;
  h *= kFnvPrime;
  for (char16_t c : scratchA_) {
    h ^= c;
    h *= kFnvPrime;
  }
  return h;
}

// Compares with the folded text of the last Hash call.
bool ExportPlan::SameName(const Node& n, std::u16string_view part, std::u16string_view ext) {
  const Entry& owner = entries_[n.entry];
  const std::u16string_view ownerExt = n.file ? owner.ext : std::u16string_view();
  if (n.length + ownerExt.size() != part.size() + ext.size()) return false;
  scratchB_.assign(owner.name.substr(n.begin, n.length));
  scratchB_.append(ownerExt);
  if (fold_) fold_(&scratchB_[0], scratchB_.size());
  return scratchA_ == scratchB_;
}

int64_t ExportPlan::Find(uint64_t hash, uint32_t parent, std::u16string_view part, std::u16string_view ext,
                         size_t& slot) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
    const uint32_t s = slots_[i];
    if (s == 0) {
      slot = i;
      return -1;
    }
    const Node& n = nodes_[s - 1];
    if (n.hash == hash && n.parent == parent && SameName(n, part, ext)) {
      slot = i;
      return static_cast<int64_t>(s - 1);
    }
  }
}

void ExportPlan::Insert(size_t slot, const Node& node) {
  nodes_.push_back(node);
  slots_[slot] = static_cast<uint32_t>(nodes_.size());
  if (nodes_.size() * 2 > slots_.size()) Grow();
}

void ExportPlan::Grow() {
  std::vector<uint32_t> bigger(slots_.size() * 2, 0);
  const size_t mask = bigger.size() - 1;
  for (size_t n = 0; n < nodes_.size(); ++n) {
    size_t i = static_cast<size_t>(nodes_[n].hash) & mask;
    while (bigger[i] != 0) i = (i + 1) & mask;
    bigger[i] = static_cast<uint32_t>(n + 1);
  }
  slots_.swap(bigger);
}

void ExportPlan::Reserve(size_t entries) {
  entries_.reserve(entries);
  // Files and their folders; room that is never used is never touched.
  nodes_.reserve(entries + entries / 2);
  size_t slots = slots_.size();
  while (slots < (entries + entries / 8) * 2) slots *= 2;
  if (slots > slots_.size() && nodes_.empty()) slots_.assign(slots, 0);
}

void ExportPlan::Add(std::u16string_view storedName, std::u16string_view appendExt) {
  const uint32_t index = static_cast<uint32_t>(entries_.size());
  entries_.push_back(Entry{storedName, appendExt});
  Entry& e = entries_.back();
  e.refusal = CheckName(e);
  if (e.refusal != ExportRefusal::kNone) return;

  uint32_t parent = 0;
  uint32_t depth = 0;
  size_t start = 0;
  for (size_t i = 0; i <= storedName.size(); ++i) {
    if (i < storedName.size() && !IsSeparator(storedName[i])) continue;
    const bool last = i == storedName.size();
    const std::u16string_view part = storedName.substr(start, i - start);
    const std::u16string_view ext = last ? appendExt : std::u16string_view();
    const uint64_t hash = Hash(parent, part, ext);
    size_t slot = 0;
    const int64_t found = Find(hash, parent, part, ext, slot);
    Entry& self = entries_[index];
    if (found >= 0) {
      const Node& n = nodes_[static_cast<size_t>(found)];
      if (last || n.file) {
        // The first entry in index order keeps the name.
        self.refusal = (last && n.file) ? ExportRefusal::kDuplicate : ExportRefusal::kNameClash;
        self.other = n.entry;
        return;
      }
      parent = n.folder;
    } else {
      Node n{hash, parent, index, static_cast<uint32_t>(start), static_cast<uint32_t>(i - start), depth + 1, 0, last};
      if (!last) {
        n.folder = static_cast<uint32_t>(folders_.size());
        folders_.push_back(static_cast<uint32_t>(nodes_.size()));
      }
      Insert(slot, n);
      if (!last) parent = n.folder;
    }
    ++depth;
    start = i + 1;
  }
  entries_[index].folder = parent;
  ++allowed_;
}

std::u16string ExportPlan::TargetPath(size_t entry) const {
  const Entry& e = entries_[entry];
  std::u16string path;
  path.reserve(folder_.size() + e.name.size() + e.ext.size());
  path = folder_;
  for (char16_t c : e.name) path += IsSeparator(c) ? separator_ : c;
  path.append(e.ext);
  return path;
}

std::vector<std::u16string> ExportPlan::Components(size_t entry) const {
  const Entry& e = entries_[entry];
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= e.name.size(); ++i) {
    if (i < e.name.size() && !IsSeparator(e.name[i])) continue;
    parts.emplace_back(e.name.substr(start, i - start));
    start = i + 1;
  }
  parts.back().append(e.ext);
  return parts;
}

}  // namespace rules
}  // namespace sorv
