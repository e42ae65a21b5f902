#include "app/FolderTree.h"

#include <algorithm>
#include <unordered_map>

#include "platform/TextRules.h"

namespace sorv {
namespace app {

namespace {

// A folder's key among all folders: its parent and its own name.
std::wstring FolderKey(uint32_t parent, const ResChar* name, size_t begin, size_t end) {
  std::wstring key;
  key.reserve(2 + end - begin);
  key.push_back(static_cast<wchar_t>(parent >> 16));
  key.push_back(static_cast<wchar_t>(parent & 0xFFFF));
  for (size_t i = begin; i < end; ++i) key.push_back(static_cast<wchar_t>(name[i]));
  return key;
}

}  // namespace

void FolderTree::Clear() {
  list_ = nullptr;
  folders_.clear();
  folders_.shrink_to_fit();
  runs_.clear();
  runs_.shrink_to_fit();
  positions_ = 0;
  display_.clear();
  display_.shrink_to_fit();
  displayIndex_.clear();
  displayIndex_.shrink_to_fit();
}

void FolderTree::Build(const EntryList& list) {
  Clear();
  list_ = &list;
  const ListedIndexes& listed = list.Listed();
  folders_.push_back(Folder{std::wstring(), kRoot, {}, {}, {}, nullptr, 0, 0, false});
  positions_ = listed.size();
  std::unordered_map<std::wstring, uint32_t> known;
  // Packages keep a folder's entries together: the previous entry's folder is tried first.
  const ResChar* previous = nullptr;
  size_t previousPath = 0;
  uint32_t previousFolder = kRoot;
  for (size_t position = 0; position < listed.size(); ++position) {
    const ResChar* name = list.Entry(listed[position]).pszName;
    if (!name) {
      AddToRun(static_cast<uint32_t>(position), kRoot);
      continue;
    }
    size_t length = 0, pathEnd = 0;
    for (; name[length]; ++length)
      if (IsSeparator(static_cast<char16_t>(name[length]))) pathEnd = length;
    const bool hasPath = pathEnd > 0 || (length > 0 && IsSeparator(static_cast<char16_t>(name[0])));
    uint32_t folder = kRoot;
    if (hasPath && previous && previousPath == pathEnd && std::equal(name, name + pathEnd, previous)) {
      folder = previousFolder;
    } else if (hasPath) {
      // One folder per non-empty part before the last separator.
      size_t begin = 0;
      for (size_t i = 0; i <= pathEnd; ++i) {
        if (!IsSeparator(static_cast<char16_t>(name[i]))) continue;
        if (i > begin) {
          std::wstring key = FolderKey(folder, name, begin, i);
          auto found = known.find(key);
          if (found == known.end()) {
            const uint32_t made = ChildFolder(folder, name, begin, i);
            found = known.emplace(std::move(key), made).first;
          }
          folder = found->second;
        }
        begin = i + 1;
      }
    }
    previous = name;
    previousPath = pathEnd;
    previousFolder = folder;
    AddToRun(static_cast<uint32_t>(position), folder);
  }
}

void FolderTree::AddToRun(uint32_t position, uint32_t folder) {
  if (!runs_.empty() && runs_.back().folder == folder) return;
  folders_[folder].runs.push_back(static_cast<uint32_t>(runs_.size()));
  runs_.push_back(Run{position, folder});
}

uint32_t FolderTree::FolderOf(uint32_t position) const {
  // The last run that begins at or before `position`.
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), position,
                                      [](uint32_t p, const Run& run) { return p < run.begin; });
  return after == runs_.begin() ? kRoot : (after - 1)->folder;
}

uint32_t FolderTree::ChildFolder(uint32_t parent, const ResChar* name, size_t begin, size_t end) {
  Folder folder{std::wstring(), parent, {}, {}, {}, name, end, 0, false};
  folder.name.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) folder.name.push_back(static_cast<wchar_t>(name[i]));
  const uint32_t index = static_cast<uint32_t>(folders_.size());
  folders_.push_back(std::move(folder));
  folders_[parent].folders.push_back(index);
  return index;
}

std::wstring FolderTree::Path(uint32_t folder) const {
  const Folder& f = folders_[folder];
  std::wstring path;
  if (!f.pathName) return path;
  path.reserve(f.pathLength);
  for (size_t i = 0; i < f.pathLength; ++i) path.push_back(static_cast<wchar_t>(f.pathName[i]));
  return path;
}

std::wstring FolderTree::FileText(uint32_t position) const {
  return DisplayName(list_->Entry(list_->Listed()[position]).pszName);
}

void FolderTree::SortChildren(uint32_t folder) {
  Folder& f = folders_[folder];
  if (f.sorted) return;
  const CompareFn compare = compare_;
  std::stable_sort(f.folders.begin(), f.folders.end(), [this, compare](uint32_t a, uint32_t b) {
    return compare(folders_[a].name.c_str(), folders_[b].name.c_str()) < 0;
  });
  // The folder's entries, from its runs, in listed order.
  f.files.clear();
  for (uint32_t run : f.runs)
    for (size_t p = runs_[run].begin; p < RunEnd(run); ++p) f.files.push_back(static_cast<uint32_t>(p));
  f.runs.clear();
  f.runs.shrink_to_fit();
  // The texts are made once for the sort and dropped after it: the tree gets its own copy
  // of each as the folder opens.
  std::vector<std::pair<std::wstring, uint32_t>> files;
  files.reserve(f.files.size());
  for (uint32_t position : f.files) files.emplace_back(FileText(position), position);
  std::stable_sort(files.begin(), files.end(),
                   [compare](const std::pair<std::wstring, uint32_t>& a, const std::pair<std::wstring, uint32_t>& b) {
                     return compare(a.first.c_str(), b.first.c_str()) < 0;
                   });
  for (size_t i = 0; i < files.size(); ++i) f.files[i] = files[i].second;
  f.sorted = true;
}

const std::vector<uint32_t>& FolderTree::Folders(uint32_t folder) {
  SortChildren(folder);
  return folders_[folder].folders;
}

const std::vector<uint32_t>& FolderTree::Files(uint32_t folder) {
  SortChildren(folder);
  return folders_[folder].files;
}

std::vector<uint32_t> FolderTree::EntriesBelow(uint32_t folder) const {
  std::vector<uint32_t> below;
  if (!list_) return below;
  for (size_t run = 0; run < runs_.size(); ++run) {
    // Folders are made before the folders inside them: no folder below `folder` has a
    // smaller index, so the climb stops there.
    uint32_t f = runs_[run].folder;
    while (f > folder) f = folders_[f].parent;
    if (f != folder) continue;
    for (size_t p = runs_[run].begin; p < RunEnd(run); ++p) below.push_back(list_->Listed()[p]);
  }
  return below;
}

void FolderTree::AddToDisplay(uint32_t folder) {
  // Depth first without recursion: deep paths cannot exhaust the stack.
  std::vector<std::pair<uint32_t, size_t>> stack{{folder, 0}};
  folders_[folder].displayBegin = display_.size();
  while (!stack.empty()) {
    const uint32_t f = stack.back().first;
    const size_t next = stack.back().second;
    const std::vector<uint32_t>& inside = Folders(f);
    if (next < inside.size()) {
      ++stack.back().second;
      folders_[inside[next]].displayBegin = display_.size();
      stack.push_back({inside[next], 0});
      continue;
    }
    for (uint32_t position : Files(f)) display_.push_back(position);
    stack.pop_back();
  }
}

const std::vector<uint32_t>& FolderTree::DisplayOrder() {
  if (display_.size() != positions_) {
    display_.clear();
    display_.reserve(positions_);
    AddToDisplay(kRoot);
    displayIndex_.assign(positions_, 0);
    for (size_t i = 0; i < display_.size(); ++i) displayIndex_[display_[i]] = static_cast<uint32_t>(i);
  }
  return display_;
}

size_t FolderTree::DisplayIndexOf(uint32_t position) {
  DisplayOrder();
  return displayIndex_[position];
}

size_t FolderTree::DisplayBegin(uint32_t folder) {
  DisplayOrder();
  return folders_[folder].displayBegin;
}

}  // namespace app
}  // namespace sorv
