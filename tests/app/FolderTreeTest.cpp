// The folder view's model without a window: folders from the listed entries' names, sorted
// children, the order a fully opened tree shows, and a folder's entries for its export.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/EntryList.h"
#include "app/FolderTree.h"
#include "app/WideText.h"

using sorv::app::EntryList;
using sorv::app::FolderTree;

namespace {

int Plain(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }

struct Listing {
  explicit Listing(std::vector<const ResChar*> names) {
    for (const ResChar* name : names) entries.push_back(RESENTRY{name, nullptr, 1});
    list.Build(entries);
    list.Filter(0);
  }
  std::vector<RESENTRY> entries;
  EntryList list;
};

// The stored name of entry `index`.
std::wstring Stored(const EntryList& list, uint32_t index) {
  std::wstring s;
  for (const ResChar* p = list.Entry(index).pszName; *p; ++p) s.push_back(static_cast<wchar_t>(*p));
  return s;
}

// The folder of `path` (names joined with "/"), found by walking from the root.
uint32_t FolderAt(FolderTree& tree, const std::wstring& path) {
  uint32_t folder = FolderTree::kRoot;
  size_t begin = 0;
  while (begin < path.size()) {
    size_t end = path.find(L'/', begin);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(begin, end - begin);
    uint32_t next = folder;
    for (uint32_t f : tree.Folders(folder))
      if (tree.Name(f) == part) next = f;
    EXPECT_NE(next, folder) << "no folder " << std::string(part.begin(), part.end());
    folder = next;
    begin = end + 1;
  }
  return folder;
}

}  // namespace

TEST(FolderTree, FoldersFromBothSeparatorsFoldersFirstEachSorted) {
  Listing l({RES_TEXT("ui\\btn\\ok.png"), RES_TEXT("readme.txt"), RES_TEXT("ui/btn/cancel.png"),
             RES_TEXT("ui\\a.xml"), RES_TEXT("data\\b.bin"), RES_TEXT("ui\\btn\\ok.png"),
             RES_TEXT("UI\\x.png"), RES_TEXT("a.txt"), RES_TEXT("ui\\\\empty-part.png"),
             RES_TEXT("\\lead.png")});
  FolderTree tree(&Plain);
  tree.Build(l.list);
  // The root: folders UI, data, ui (the sort's order; names are kept apart as stored),
  // then files.
  std::vector<std::wstring> top;
  for (uint32_t f : tree.Folders(FolderTree::kRoot)) top.push_back(tree.Name(f));
  EXPECT_EQ(top, (std::vector<std::wstring>{L"UI", L"data", L"ui"}));
  std::vector<std::wstring> rootFiles;
  for (uint32_t p : tree.Files(FolderTree::kRoot)) rootFiles.push_back(tree.FileText(p));
  EXPECT_EQ(rootFiles, (std::vector<std::wstring>{L"a.txt", L"lead.png", L"readme.txt"}));

  const uint32_t ui = FolderAt(tree, L"ui");
  const uint32_t btn = FolderAt(tree, L"ui/btn");
  EXPECT_EQ(tree.Path(btn), L"ui\\btn");  // as the first entry in it stores it
  EXPECT_EQ(tree.Parent(btn), ui);
  std::vector<std::wstring> uiFiles;
  for (uint32_t p : tree.Files(ui)) uiFiles.push_back(Stored(l.list, l.list.Listed()[p]));
  // An empty part between two separators makes no folder.
  EXPECT_EQ(uiFiles, (std::vector<std::wstring>{L"ui\\a.xml", L"ui\\\\empty-part.png"}));
  // Two entries of one name stay two, in listed order.
  const std::vector<uint32_t>& btnFiles = tree.Files(btn);
  ASSERT_EQ(btnFiles.size(), 3u);
  EXPECT_EQ(btnFiles[0], 2u);  // cancel.png
  EXPECT_EQ(btnFiles[1], 0u);
  EXPECT_EQ(btnFiles[2], 5u);
  EXPECT_EQ(tree.FolderOf(5), btn);
}

TEST(FolderTree, DisplayOrderAndAFoldersEntriesInIndexOrder) {
  Listing l({RES_TEXT("b\\2.png"), RES_TEXT("top.png"), RES_TEXT("a\\z.png"), RES_TEXT("b\\c\\1.png"),
             RES_TEXT("a\\y.png"), RES_TEXT("b\\1.png")});
  FolderTree tree(&Plain);
  tree.Build(l.list);
  std::vector<std::wstring> shown;
  for (uint32_t p : tree.DisplayOrder()) shown.push_back(Stored(l.list, l.list.Listed()[p]));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"a\\y.png", L"a\\z.png", L"b\\c\\1.png", L"b\\1.png", L"b\\2.png",
                                              L"top.png"}));
  const uint32_t b = FolderAt(tree, L"b");
  EXPECT_EQ(tree.DisplayBegin(b), 2u);
  EXPECT_EQ(tree.DisplayIndexOf(1), 5u);  // top.png, listed second, shown last
  std::vector<std::wstring> below;
  for (uint32_t index : tree.EntriesBelow(b)) below.push_back(Stored(l.list, index));
  EXPECT_EQ(below, (std::vector<std::wstring>{L"b\\2.png", L"b\\c\\1.png", L"b\\1.png"}));
  EXPECT_EQ(tree.EntriesBelow(FolderTree::kRoot).size(), 6u);
}

TEST(FolderTree, OnlyFoldersOfListedEntries) {
  Listing l({RES_TEXT("img\\a.PNG"), RES_TEXT("xml\\b.xml"), RES_TEXT("img\\deep\\c.PNG")});
  l.list.Filter(2);  // PNG only
  FolderTree tree(&Plain);
  tree.Build(l.list);
  ASSERT_EQ(tree.Folders(FolderTree::kRoot).size(), 1u);
  EXPECT_EQ(tree.Name(tree.Folders(FolderTree::kRoot)[0]), L"img");
  EXPECT_EQ(tree.FolderCount(), 3u);  // the root, img, img\deep
}
