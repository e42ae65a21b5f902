#include "cli/MountTree.h"

#include <algorithm>
#include <stdexcept>

#include "cli/Utf.h"
#include "platform/TextRules.h"
#include "rules/ExportPlan.h"

namespace rdbtool {

namespace {

constexpr uint64_t kFnvOffset = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

// The parts of a stored name between separators ("/" and "\", as the plan splits it).
void SplitParts(std::u16string_view name, std::vector<std::u16string_view>& parts) {
  parts.clear();
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !sorv::IsSeparator(name[i])) continue;
    parts.push_back(name.substr(start, i - start));
    start = i + 1;
  }
}

// Where plan entries come from: the layers are planned last first, each in index order.
class PlanOrder {
 public:
  explicit PlanOrder(const std::vector<std::vector<MountEntry>>& layers) {
    size_t start = 0;
    for (size_t l = layers.size(); l-- > 0;) {
      starts_.push_back(start);
      layerOf_.push_back(static_cast<uint32_t>(l));
      start += layers[l].size();
    }
  }
  void Locate(size_t planEntry, uint32_t& layer, size_t& entry) const {
    const size_t k = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), planEntry) - starts_.begin()) - 1;
    layer = layerOf_[k];
    entry = planEntry - starts_[k];
  }

 private:
  std::vector<size_t> starts_;
  std::vector<uint32_t> layerOf_;
};

}  // namespace

uint64_t MountTree::Hash(uint32_t parent, std::string_view name) {
  uint64_t h = (kFnvOffset ^ parent) * kFnvPrime;
  for (unsigned char c : name) h = (h ^ c) * kFnvPrime;
  return h ^ (h >> 29);
}

MountTree MountTree::Build(const std::vector<std::vector<MountEntry>>& layers, std::vector<HiddenEntry>& hidden) {
  using sorv::rules::ExportRefusal;
  if (layers.size() >= kFolder) throw std::length_error("too many packages");
  MountTree tree;
  tree.nodes_.push_back(Node{0, 0, 0, 0, 0, kFolder});  // the root

  auto addName = [&tree](const std::string& name) {
    if (tree.names_.size() + name.size() + 1 > 0xFFFFFFFFu || name.size() > 0xFFFF) throw std::length_error("names too long");
    const uint32_t offset = static_cast<uint32_t>(tree.names_.size());
    tree.names_ += name;
    tree.names_ += '\0';  // each name is a C string too, as the kernel interface takes them
    return offset;
  };
  auto addNode = [&tree](const Node& node) {
    if (tree.nodes_.size() >= kNone - 1) throw std::length_error("too many files");
    tree.nodes_.push_back(node);
    return static_cast<uint32_t>(tree.nodes_.size() - 1);
  };

  {
    sorv::rules::ExportPlan plan(u"", sorv::rules::HostExportLimits(), sorv::rules::PlatformFileNameFold(), u'/');
    for (size_t l = layers.size(); l-- > 0;)
      for (const MountEntry& e : layers[l]) plan.Add(e.name, e.ext);
    const PlanOrder order(layers);

    // First the entries that become files and the folders they need (only those: a folder
    // whose entries are all hidden is not made, as extract does not make it), then the files.
    std::vector<uint32_t> folderNode(plan.FolderCount(), kNone);
    folderNode[0] = kRoot;
    std::vector<size_t> shown;
    std::vector<std::u16string_view> parts;
    std::vector<std::string> utf8(1);
    std::vector<uint32_t> chain;
    for (size_t p = 0; p < plan.Size(); ++p) {
      HiddenEntry h;
      order.Locate(p, h.layer, h.entry);
      const MountEntry& e = layers[h.layer][h.entry];
      if (!plan.Allowed(p)) {
        h.refusal = plan.Refusal(p);
        if (h.refusal == ExportRefusal::kDuplicate || h.refusal == ExportRefusal::kNameClash) {
          order.Locate(plan.EarlierEntry(p), h.earlierLayer, h.earlierEntry);
          // A later package's file of the same name replaces this one.
          if (h.refusal == ExportRefusal::kDuplicate && h.earlierLayer != h.layer) continue;
        }
        hidden.push_back(h);
        continue;
      }
      if (!e.valid) {
        h.why = HiddenEntry::kInvalid;
        hidden.push_back(h);
        continue;
      }
      SplitParts(e.name, parts);
      const uint32_t folder = plan.Folder(p);
      if (parts.size() != plan.Depth(folder) + size_t{1}) throw std::logic_error("the plan split a name otherwise");
      utf8.resize(parts.size());
      bool ok = true;
      for (size_t i = 0; i < parts.size() && ok; ++i) ok = Utf16ToUtf8(parts[i], utf8[i]);
      std::string ext;
      if (ok) ok = Utf16ToUtf8(e.ext, ext);
      if (!ok) {
        h.why = HiddenEntry::kUnpairedSurrogate;
        hidden.push_back(h);
        continue;
      }
      chain.clear();
      for (uint32_t f = folder; folderNode[f] == kNone; f = plan.Parent(f)) chain.push_back(f);
      for (size_t i = chain.size(); i-- > 0;) {
        const uint32_t f = chain[i];
        const uint32_t nameOffset = addName(utf8[plan.Depth(f) - 1]);
        folderNode[f] = addNode(Node{0, 0, folderNode[plan.Parent(f)], nameOffset,
                                     static_cast<uint16_t>(utf8[plan.Depth(f) - 1].size()), kFolder});
      }
      shown.push_back(p);
    }
    tree.nodes_.reserve(tree.nodes_.size() + shown.size());
    for (size_t p : shown) {
      uint32_t layer;
      size_t entry;
      order.Locate(p, layer, entry);
      const MountEntry& e = layers[layer][entry];
      SplitParts(e.name, parts);
      std::string name, ext;
      Utf16ToUtf8(parts.back(), name);
      Utf16ToUtf8(e.ext, ext);
      name += ext;
      addNode(Node{e.offset, e.size, folderNode[plan.Folder(p)], addName(name), static_cast<uint16_t>(name.size()),
                   static_cast<uint16_t>(layer)});
      ++tree.files_;
    }
  }
  tree.Index();
  return tree;
}

void MountTree::Index() {
  const size_t folders = nodes_.size() - files_;
  // Children, grouped by folder: count, then place.
  subfolders_.assign(folders, 0);
  for (size_t n = 1; n < nodes_.size(); ++n) {
    ++nodes_[nodes_[n].parent].size;
    if (n < folders) ++subfolders_[nodes_[n].parent];
  }
  uint64_t begin = 0;
  for (size_t f = 0; f < folders; ++f) {
    nodes_[f].begin = begin;
    begin += nodes_[f].size;
    nodes_[f].size = 0;
  }
  children_.assign(nodes_.size() - 1, 0);
  for (size_t n = 1; n < nodes_.size(); ++n) {
    Node& parent = nodes_[nodes_[n].parent];
    children_[parent.begin + parent.size++] = static_cast<uint32_t>(n);
  }

  size_t capacity = 16;
  while (capacity < nodes_.size() * 2) capacity *= 2;
  slots_.assign(capacity, 0);
  const size_t mask = capacity - 1;
  for (size_t n = 1; n < nodes_.size(); ++n) {
    size_t i = Hash(nodes_[n].parent, Name(static_cast<uint32_t>(n))) & mask;
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = static_cast<uint32_t>(n + 1);
  }
}

uint32_t MountTree::Find(uint32_t folder, std::string_view name) const {
  if (folder >= nodes_.size() || !IsFolder(folder)) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t i = Hash(folder, name) & mask; slots_[i]; i = (i + 1) & mask) {
    const uint32_t n = slots_[i] - 1;
    if (nodes_[n].parent == folder && Name(n) == name) return n;
  }
  return kNone;
}

}  // namespace rdbtool
