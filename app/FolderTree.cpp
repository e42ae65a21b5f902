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
  listed_ = nullptr;
  folders_.clear();
  folders_.shrink_to_fit();
  fileFolder_.clear();
  fileFolder_.shrink_to_fit();
  display_.clear();
  display_.shrink_to_fit();
  displayIndex_.clear();
  displayIndex_.shrink_to_fit();
}

void FolderTree::Build(const std::vector<RESITEM*>& listed) {
  Clear();
  listed_ = &listed;
  folders_.push_back(Folder{std::wstring(), kRoot, {}, {}, nullptr, 0, 0, false});
  fileFolder_.resize(listed.size(), kRoot);
  std::unordered_map<std::wstring, uint32_t> known;
  // Packages keep a folder's entries together: the previous entry's folder is tried first.
  const ResChar* previous = nullptr;
  size_t previousPath = 0;
  uint32_t previousFolder = kRoot;
  for (size_t position = 0; position < listed.size(); ++position) {
    const RESITEM* item = listed[position];
    const ResChar* name = item && item->pEntry ? item->pEntry->pszName : nullptr;
    if (!name) {
      folders_[kRoot].files.push_back(static_cast<uint32_t>(position));
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
    fileFolder_[position] = folder;
    folders_[folder].files.push_back(static_cast<uint32_t>(position));
  }
}

uint32_t FolderTree::ChildFolder(uint32_t parent, const ResChar* name, size_t begin, size_t end) {
  Folder folder{std::wstring(), parent, {}, {}, name, end, 0, false};
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

const wchar_t* FolderTree::FileText(uint32_t position) const {
  static const wchar_t kNone[] = L"";
  const RESITEM* item = (*listed_)[position];
  return item ? item->szName : kNone;
}

void FolderTree::SortChildren(uint32_t folder) {
  Folder& f = folders_[folder];
  if (f.sorted) return;
  const CompareFn compare = compare_;
  std::stable_sort(f.folders.begin(), f.folders.end(), [this, compare](uint32_t a, uint32_t b) {
    return compare(folders_[a].name.c_str(), folders_[b].name.c_str()) < 0;
  });
  std::stable_sort(f.files.begin(), f.files.end(),
                   [this, compare](uint32_t a, uint32_t b) { return compare(FileText(a), FileText(b)) < 0; });
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

std::vector<RESITEM*> FolderTree::EntriesBelow(uint32_t folder) const {
  std::vector<RESITEM*> below;
  if (!listed_) return below;
  for (size_t position = 0; position < fileFolder_.size(); ++position) {
    // Folders are made before the folders inside them: no folder below `folder` has a
    // smaller index, so the climb stops there.
    uint32_t f = fileFolder_[position];
    while (f > folder) f = folders_[f].parent;
    if (f == folder) below.push_back((*listed_)[position]);
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
  if (display_.size() != fileFolder_.size()) {
    display_.clear();
    display_.reserve(fileFolder_.size());
    AddToDisplay(kRoot);
    displayIndex_.assign(fileFolder_.size(), 0);
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
