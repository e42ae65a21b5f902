#include "cli/MountTree.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "cli/Utf.h"
#include "platform/TextRules.h"
#include "rules/ExportPlan.h"

namespace rdbtool {

namespace {

// How many names are read between two calls of the caller's pause.
constexpr size_t kPauseEvery = 8192;

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

std::u16string_view LastPart(std::u16string_view name) {
  size_t i = name.size();
  while (i > 0 && !sorv::IsSeparator(name[i - 1])) --i;
  return name.substr(i);
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
    total_ = start;
  }
  void Locate(size_t planEntry, uint32_t& layer, size_t& entry) const {
    const size_t k = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), planEntry) - starts_.begin()) - 1;
    layer = layerOf_[k];
    entry = planEntry - starts_[k];
  }
  size_t Total() const { return total_; }

 private:
  std::vector<size_t> starts_;
  std::vector<uint32_t> layerOf_;
  size_t total_ = 0;
};

// Calls the caller's pause after every kPauseEvery names.
class Pacer {
 public:
  explicit Pacer(const std::function<void()>& pause) : pause_(pause) {}
  void Tick() {
    if (pause_ && ++count_ == kPauseEvery) {
      count_ = 0;
      pause_();
    }
  }

 private:
  const std::function<void()>& pause_;
  size_t count_ = 0;
};

}  // namespace

std::u16string_view MountEntry::Extension() const {
  // The content types' extensions as UTF-16 text (ResChar is wchar_t on Windows), made once.
  static const std::vector<std::u16string> texts = [] {
    std::vector<std::u16string> out(1);
    for (size_t i = 0; i < sorv::pkg::kContentTypeCount; ++i) {
      std::u16string text;
      for (const ResChar* c = sorv::pkg::kContentTypes[i].ext; *c; ++c) text += static_cast<char16_t>(*c);
      out.push_back(text);
    }
    return out;
  }();
  return ext < texts.size() ? std::u16string_view(texts[ext]) : std::u16string_view();
}

uint32_t MountTree::NameText::Add(std::string_view name) {
  constexpr size_t kBlock = size_t{1} << kBlockBits;
  if (name.size() >= kBlock) throw std::length_error("name too long");
  if (used_ + name.size() + 1 > kBlock) {
    if (blocks_.size() >= (size_t{1} << (32 - kBlockBits))) throw std::length_error("names too long");
    // Not filled with zeros: a block's untouched pages cost no memory.
    blocks_.emplace_back(new char[kBlock]);
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  std::memcpy(at, name.data(), name.size());
  at[name.size()] = '\0';  // each name is a C string too, as the kernel interface takes them
  const uint32_t offset = static_cast<uint32_t>(((blocks_.size() - 1) << kBlockBits) | used_);
  used_ += name.size() + 1;
  return offset;
}

uint32_t MountTree::AddNode(const Node& node) {
  if (nodes_.size() >= kNone - 1) throw std::length_error("too many files");
  nodes_.push_back(node);
  return static_cast<uint32_t>(nodes_.size() - 1);
}

MountTree MountTree::Build(const std::vector<std::vector<MountEntry>>& layers, std::vector<HiddenEntry>& hidden,
                           const std::function<void()>& pause) {
  using sorv::rules::ExportRefusal;
  if (layers.size() >= kFolder) throw std::length_error("too many packages");
  MountTree tree;
  tree.nodes_.push_back(Node{0, 0, 0, tree.names_.Add(""), 0, kFolder, 0});  // the root
  const PlanOrder order(layers);
  Pacer pacer(pause);

  // Planned first; then the folders that shown entries need (only those: a folder whose
  // entries are all hidden is not made, as extract does not make it). The plan goes
  // before the files are made, so that its records and the tree's are never all held.
  std::vector<uint32_t> fileFolder;  // per plan entry: the folder node of its file, or kNone
  {
    sorv::rules::ExportPlan plan(u"", sorv::rules::HostExportLimits(), sorv::rules::PlatformFileNameFold(), u'/');
    plan.Reserve(order.Total());
    for (size_t l = layers.size(); l-- > 0;) {
      for (const MountEntry& e : layers[l]) {
        plan.Add(e.Name(), e.Extension());
        pacer.Tick();
      }
    }
    fileFolder.assign(plan.Size(), kNone);
    std::vector<uint32_t> folderNode(plan.FolderCount(), kNone);
    folderNode[0] = kRoot;
    std::vector<std::u16string_view> parts;
    std::vector<std::string> utf8;
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
      const uint32_t folder = plan.Folder(p);
      if (folderNode[folder] == kNone) {
        SplitParts(e.Name(), parts);
        if (parts.size() != plan.Depth(folder) + size_t{1}) throw std::logic_error("the plan split a name otherwise");
        chain.clear();
        for (uint32_t f = folder; folderNode[f] == kNone; f = plan.Parent(f)) chain.push_back(f);
        utf8.resize(chain.size());
        bool ok = true;
        for (size_t i = 0; i < chain.size() && ok; ++i) ok = Utf16ToUtf8(parts[plan.Depth(chain[i]) - 1], utf8[i]);
        if (!ok) {
          h.why = HiddenEntry::kUnpairedSurrogate;
          hidden.push_back(h);
          continue;
        }
        for (size_t i = chain.size(); i-- > 0;) {
          const uint32_t f = chain[i];
          folderNode[f] = tree.AddNode(Node{0, 0, folderNode[plan.Parent(f)], tree.names_.Add(utf8[i]),
                                            static_cast<uint16_t>(utf8[i].size()), kFolder, 0});
        }
      }
      fileFolder[p] = folderNode[folder];
      pacer.Tick();  // the names that make folders lie all over the index
    }
  }

  size_t shown = 0;
  for (uint32_t f : fileFolder) shown += f != kNone;
  tree.nodes_.reserve(tree.nodes_.size() + shown);
  std::string name, ext;
  for (size_t p = 0; p < fileFolder.size(); ++p) {
    if (fileFolder[p] == kNone) continue;
    HiddenEntry h;
    order.Locate(p, h.layer, h.entry);
    const MountEntry& e = layers[h.layer][h.entry];
    if (!Utf16ToUtf8(LastPart(e.Name()), name) || !Utf16ToUtf8(e.Extension(), ext)) {
      h.why = HiddenEntry::kUnpairedSurrogate;
      hidden.push_back(h);
      continue;
    }
    name += ext;
    tree.AddNode(Node{e.offset, e.size, fileFolder[p], tree.names_.Add(name), static_cast<uint16_t>(name.size()),
                      static_cast<uint16_t>(h.layer), 0});
    ++tree.files_;
    pacer.Tick();
  }
  std::vector<uint32_t>().swap(fileFolder);
  tree.Index();
  return tree;
}

void MountTree::Index() {
  // Children, grouped by folder: count, then place, then sort each folder's by name.
  for (size_t n = 1; n < nodes_.size(); ++n) {
    Node& parent = nodes_[nodes_[n].parent];
    ++parent.size;
    if (nodes_[n].layer == kFolder) ++parent.subfolders;
  }
  uint64_t begin = 0;
  for (Node& n : nodes_) {
    if (n.layer != kFolder) continue;
    n.begin = begin;
    begin += n.size;
    n.size = 0;
  }
  children_.assign(nodes_.size() - 1, 0);
  for (size_t n = 1; n < nodes_.size(); ++n) {
    Node& parent = nodes_[nodes_[n].parent];
    children_[parent.begin + parent.size++] = static_cast<uint32_t>(n);
  }
  for (size_t f = 0; f < nodes_.size(); ++f) {
    if (nodes_[f].layer != kFolder) continue;
    uint32_t* first = children_.data() + nodes_[f].begin;
    std::sort(first, first + nodes_[f].size,
              [this](uint32_t a, uint32_t b) { return Name(a) < Name(b); });
  }
}

uint32_t MountTree::Find(uint32_t folder, std::string_view name) const {
  if (folder >= nodes_.size() || !IsFolder(folder)) return kNone;
  const uint32_t* first = ChildrenBegin(folder);
  const uint32_t* last = ChildrenEnd(folder);
  const uint32_t* at =
      std::lower_bound(first, last, name, [this](uint32_t child, std::string_view n) { return Name(child) < n; });
  return at != last && Name(*at) == name ? *at : kNone;
}

}  // namespace rdbtool
