// The walk's order and the listing, the same on every system; reading one folder is in
// FolderWalkPosix.cpp and FolderWalkWin.cpp.
#include "cli/system/FolderWalk.h"

#include <algorithm>
#include <limits>

#include "cli/Utf.h"

namespace rdbtool {

namespace {

std::u16string Wide(std::basic_string_view<NativePath::value_type> name) {
#if defined(_WIN32)
  return std::u16string(name.begin(), name.end());
#else
  std::u16string wide;
  Utf8ToUtf16(std::string(name), wide);
  return wide;
#endif
}

std::string Shown(std::basic_string_view<NativePath::value_type> name) {
#if defined(_WIN32)
  return Utf16ToUtf8(std::u16string(name.begin(), name.end()));
#else
  return std::string(name);
#endif
}

}  // namespace

const std::string& FolderListing::Problem(size_t i) const {
  static const std::string kNone;
  const Item& item = items_[i];
  return item.kind == Kind::kLink || item.kind == Kind::kProblem ? problems_[item.problem] : kNone;
}

std::u16string FolderListing::Name(size_t i) const { return Wide(NameAt(items_[i].nameAt, items_[i].nameSize)); }

NativePath FolderListing::Path(size_t i) const {
  return JoinPath(Folder(items_[i].folder).path, NativePath(NameAt(items_[i].nameAt, items_[i].nameSize)));
}

std::string FolderListing::Display(size_t i) const {
  const std::string& folder = Folder(items_[i].folder).display;
  const std::string name = Shown(NameAt(items_[i].nameAt, items_[i].nameSize));
  return folder.empty() ? name : folder + kDisplaySeparator + name;
}

FoundFile FolderListing::At(size_t i) const {
  FoundFile f;
  f.components = FolderComponents(i);
  f.components.push_back(Name(i));
  f.path = Path(i);
  f.display = Display(i);
  f.problem = Problem(i);
  f.link = items_[i].kind == Kind::kLink;
  f.followed = items_[i].kind == Kind::kFollowedFile;
  return f;
}

const FolderListing::FolderTexts& FolderListing::Folder(uint32_t folder) const {
  if (shown_.folder == folder) return shown_;
  std::vector<uint32_t> chain;
  for (uint32_t f = folder; f != 0; f = folders_[f].parent) chain.push_back(f);
  shown_.folder = folder;
  shown_.path = root_;
  shown_.display.clear();
  shown_.components.clear();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const auto name = NameAt(folders_[*it].nameAt, folders_[*it].nameSize);
    shown_.path = JoinPath(shown_.path, NativePath(name));
    if (!shown_.display.empty()) shown_.display += kDisplaySeparator;
    shown_.display += Shown(name);
    shown_.components.push_back(Wide(name));
  }
  return shown_;
}

// Builds a listing: each folder is read whole and put in name order; its files go into
// the listing in that order, and each subfolder is walked where its name falls, so the
// listing is in the order of the files' component lists.
class FolderWalker {
 public:
  FolderWalker(bool followLinks, const std::vector<FileId>& skip, FolderListing& listing)
      : follow_(followLinks), skip_(skip), out_(listing) {}

  bool Walk(const NativePath& root, std::string& error) {
    out_ = FolderListing();
    out_.root_ = root;
    out_.folders_.push_back(FolderListing::FolderPlace{0, 0, 0});
    Frame top;
    top.path = root;
    top.viaLink = true;
    if (!Open(top, error)) {
      error = "cannot read '" + DisplayPath(root) + "': " + error;
      return false;
    }
    frames_.push_back(std::move(top));
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      if (frame.next == frame.children.size()) {
        frames_.pop_back();
        continue;
      }
      FolderChild& child = frame.children[frame.next++];
      // Descend may add a frame: neither reference is used after the call.
      const bool stored = child.kind == FolderChild::Kind::kFolder ? Descend(frame, child) : Add(frame, child);
      if (!stored) return Full(error);
    }
    return true;
  }

 private:
  struct Frame {
    NativePath path;
    uint32_t folder = 0;
    bool viaLink = false;
    std::vector<FolderChild> children;
    size_t next = 0;
    FileId self;
  };

  bool Open(Frame& frame, std::string& error) {
    if (!ReadFolder(frame.path, frame.viaLink, follow_, frame.self, frame.children, error)) return false;
    std::sort(frame.children.begin(), frame.children.end(),
              [](const FolderChild& a, const FolderChild& b) { return a.text < b.text; });
    return true;
  }

  // A subfolder: walked now, or listed with its problem.
  bool Descend(const Frame& parent, FolderChild& child) {
    if (child.viaLink) {
      bool loop = false;
      for (const Frame& f : frames_) loop = loop || (f.self.valid && f.self == child.folderId);
      if (loop) {
        child.kind = FolderChild::Kind::kProblem;
        child.problem = kLinkLoopProblem;
        return Add(parent, child);
      }
    }
    uint32_t nameAt = 0;
    if (!Store(child.name, nameAt)) return false;
    Frame frame;
    frame.path = JoinPath(parent.path, child.name);
    frame.viaLink = child.viaLink || parent.viaLink;
    frame.folder = static_cast<uint32_t>(out_.folders_.size());
    std::string error;
    if (!Open(frame, error)) {
      child.kind = FolderChild::Kind::kProblem;
      child.problem = "cannot read the folder: " + error;
      return Add(parent, child);
    }
    out_.folders_.push_back(
        FolderListing::FolderPlace{parent.folder, nameAt, static_cast<uint16_t>(child.name.size())});
    frames_.push_back(std::move(frame));  // `parent` and `child` are not used after this
    return true;
  }

  bool Add(const Frame& frame, const FolderChild& child) {
    using Kind = FolderListing::Kind;
    if (child.kind == FolderChild::Kind::kFile && Skipped(frame, child)) return true;
    FolderListing::Item item{frame.folder, 0, 0, static_cast<uint16_t>(child.name.size()), Kind::kFile};
    if (!Store(child.name, item.nameAt)) return false;
    switch (child.kind) {
      case FolderChild::Kind::kFile:
        item.kind = child.viaLink ? Kind::kFollowedFile : Kind::kFile;
        break;
      case FolderChild::Kind::kLink:
      case FolderChild::Kind::kProblem:
      case FolderChild::Kind::kFolder:
        item.kind = child.kind == FolderChild::Kind::kLink ? Kind::kLink : Kind::kProblem;
        item.problem = static_cast<uint32_t>(out_.problems_.size());
        out_.problems_.push_back(child.problem);
        break;
    }
    out_.items_.push_back(item);
    return true;
  }

  bool Skipped(const Frame& frame, const FolderChild& child) const {
    for (const FileId& id : skip_) {
      if (!id.valid || (child.number != 0 && child.number != id.number)) continue;
      if (IdentifyFile(JoinPath(frame.path, child.name)) == id) return true;
    }
    return false;
  }

  bool Store(const NativePath& name, uint32_t& at) {
    if (out_.names_.size() + name.size() > std::numeric_limits<uint32_t>::max() ||
        name.size() > std::numeric_limits<uint16_t>::max() ||
        out_.folders_.size() >= std::numeric_limits<uint32_t>::max()) {
      return false;
    }
    at = static_cast<uint32_t>(out_.names_.size());
    out_.names_.insert(out_.names_.end(), name.begin(), name.end());
    return true;
  }

  static bool Full(std::string& error) {
    error = "too many files: their names take more than 4 GiB";
    return false;
  }

  const bool follow_;
  const std::vector<FileId>& skip_;
  FolderListing& out_;
  std::vector<Frame> frames_;
};

bool WalkFolder(const NativePath& root, bool followLinks, const std::vector<FileId>& skip, FolderListing& listing,
                std::string& error) {
  return FolderWalker(followLinks, skip, listing).Walk(root, error);
}

}  // namespace rdbtool
