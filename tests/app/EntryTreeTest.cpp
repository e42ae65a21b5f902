// Loading packages into the main window (open button and real drops), the filtered tree
// with its counts, and the preview of the selected entry.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "resources/resource.h"
#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"

using fixtures::EntrySpec;
using fixtures::PreviewShows;
using harness::FakeUi;
using harness::TestDlg;

namespace {

const uint32_t kGreen = 0x12AB34;

class EntryTreeTest : public fixtures::DialogTest<> {
 protected:
  // Loads through the Open button and the (answered) open dialog.
  void Open(const std::wstring& path) {
    ui.fileAnswers.push_back(path);
    fixtures::ClickButton(dlg.m_btnOpen);
  }
  void Drop(const std::vector<std::wstring>& files) {
    HDROP drop = fixtures::MakeDrop(files);
    dlg.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop));
    EXPECT_TRUE(fixtures::DropReleased(drop));
  }
  std::wstring Pane0() const { return dlg.m_statusBar.GetPaneText(0); }
};

const std::vector<EntrySpec> kMixed = {
    {L"Skin\\Main\\Logo.PNG", fixtures::PngLike(40)},
    {L"ui/btn.png", fixtures::PngLike(30)},
    {L"icon.Png", fixtures::PngLike(20)},
    {L"half.PN", fixtures::Text("pn")},
    {L"a\\b.xml", fixtures::Text("<a/>")},
    {L"noext", fixtures::Text("x")},
};

}  // namespace

TEST_F(EntryTreeTest, OpenAsksWithTheOpenDialogAndListsEveryEntry) {
  const std::wstring path = dir / L"mixed.rdb";
  fixtures::WritePackage(path, kMixed);
  Open(path);

  ASSERT_EQ(ui.requests.size(), 1u);
  const FileDialogRequest& r = ui.requests[0];
  EXPECT_TRUE(r.open);
  EXPECT_EQ(r.title, L"打开文件");
  EXPECT_EQ(r.filter, L"Sorv资源文件*.rdb|*.rdb|所有文件|*.*||");
  EXPECT_EQ(r.flags, DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
  EXPECT_TRUE(r.defaultExt.empty());
  EXPECT_TRUE(r.fileName.empty());

  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree),
            (std::vector<std::wstring>{L"Logo.PNG", L"btn.png", L"icon.Png", L"half.PN", L"b.xml", L"noext"}));
  EXPECT_EQ(Pane0(), L"共有文件:6");
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), path);
  EXPECT_TRUE(CommandsEnabled());
  EXPECT_TRUE(ui.messages.empty());

  // Every tree item names its entry's record, whose entry is the reader's, in index order.
  const auto items = fixtures::TreeItems(dlg.m_tree);
  ASSERT_EQ(dlg.m_entries.Count(), 6u);
  ASSERT_EQ(dlg.m_resFile.Entries().size(), 6u);
  for (size_t i = 0; i < items.size(); ++i) {
    RESITEM* const item = dlg.EntryOfData(items[i].second);
    EXPECT_EQ(item, &dlg.m_entries.Item(i));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->pEntry, &dlg.m_resFile.Entries()[i]);
  }
  EXPECT_STREQ(dlg.m_entries.Item(0).szFName, L"Logo");
  EXPECT_STREQ(dlg.m_entries.Item(0).szExt, L".PNG");
  EXPECT_STREQ(dlg.m_entries.Item(5).szExt, L"");

  // A cancelled dialog changes nothing.
  Open(L"");
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree).size(), 6u);
  EXPECT_EQ(ui.requests.size(), 2u);
}

// Opening makes nothing per entry that is not shown: no record until an entry is selected,
// in the folder view only the top level in the tree; the items' texts come from the names.
TEST_F(EntryTreeTest, OpeningMakesNoRecordsAndTheFolderViewOnlyItsTopLevel) {
  std::vector<EntrySpec> entries;
  for (int i = 0; i < 3000; ++i)
    entries.push_back({L"dir" + std::to_wstring(i % 30) + L"\\f" + std::to_wstring(i) + L".png", fixtures::PngLike(20)});
  const std::wstring path = dir / L"many.rdb";
  fixtures::WritePackage(path, entries);
  Open(path);
  EXPECT_EQ(Pane0(), L"共有文件:3000");
  EXPECT_EQ(dlg.m_tree.GetCount(), 3000u);
  EXPECT_EQ(dlg.m_entries.RecordCount(), 0u);
  EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetRootItem()), L"f0.png");

  // The folder view (Ctrl+T's command): 30 folders, not filled.
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDM_FOLDER_VIEW, 1), 0);
  EXPECT_EQ(dlg.m_tree.GetCount(), 30u);
  Open(path);
  EXPECT_EQ(dlg.m_tree.GetCount(), 30u);
  EXPECT_EQ(dlg.m_entries.RecordCount(), 0u);
  EXPECT_EQ(Pane0(), L"共有文件:3000");

  // A selected entry gets its record, the one its tree item names.
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDM_FOLDER_VIEW, 1), 0);
  fixtures::ClickTreeItem(dlg, 2);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"dir2\\f2.png");
  EXPECT_EQ(dlg.m_entries.RecordCount(), 1u);
  EXPECT_EQ(dlg.EntryOfData(dlg.m_tree.GetItemData(dlg.m_tree.GetSelectedItem())), &dlg.m_entries.Item(2));
}

// The extension matches one of the filter's extensions as a whole, in any case.
TEST_F(EntryTreeTest, FiltersListWholeExtensionsInAnyCaseAndCount) {
  const std::wstring path = dir / L"mixed.rdb";
  fixtures::WritePackage(path, kMixed);
  Open(path);

  struct Case {
    int filter;
    std::vector<std::wstring> listed;
    const wchar_t* status;
  } cases[] = {
      {2, {L"Logo.PNG", L"btn.png", L"icon.Png"}, L"共有文件:6 过滤后:3"},
      {1, {L"Logo.PNG", L"btn.png", L"icon.Png"}, L"共有文件:6 过滤后:3"},
      {7, {L"b.xml"}, L"共有文件:6 过滤后:1"},
      {9, {}, L"共有文件:6 过滤后:0"},
      {0, {L"Logo.PNG", L"btn.png", L"icon.Png", L"half.PN", L"b.xml", L"noext"}, L"共有文件:6"},
  };
  for (const Case& c : cases) {
    fixtures::ChooseFilter(dlg, c.filter);
    EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), c.listed) << c.filter;
    EXPECT_EQ(Pane0(), c.status) << c.filter;
  }
}

TEST_F(EntryTreeTest, ThreeEntriesCountUnderAMatchingAndANonMatchingFilter) {
  const std::wstring path = dir / L"three.rdb";
  fixtures::WritePackage(path, {{L"a.png", fixtures::PngLike(10)}, {L"b.xml", fixtures::Text("x")},
                                {L"c.lua", fixtures::Text("y")}});
  Open(path);
  EXPECT_EQ(Pane0(), L"共有文件:3");
  fixtures::ChooseFilter(dlg, 3);  // JPG: none
  EXPECT_EQ(Pane0(), L"共有文件:3 过滤后:0");
  EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
  fixtures::ChooseFilter(dlg, 9);  // LUA: one
  EXPECT_EQ(Pane0(), L"共有文件:3 过滤后:1");
}

TEST_F(EntryTreeTest, AnEmptyPackageLeavesTheTreeAndPaneZeroEmpty) {
  const std::wstring full = dir / L"full.rdb", empty = dir / L"empty.rdb";
  fixtures::WritePackage(full, {{L"a.png", fixtures::PngLike(10)}});
  fixtures::WritePackage(empty, {});
  Open(full);
  ASSERT_EQ(Pane0(), L"共有文件:1");
  Open(empty);
  EXPECT_EQ(Pane0(), L"");
  EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
  EXPECT_TRUE(dlg.m_entries.Empty());
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), empty);
  EXPECT_TRUE(ui.messages.empty());
  // A filter change with nothing loaded changes nothing.
  fixtures::ChooseFilter(dlg, 2);
  EXPECT_EQ(Pane0(), L"");
}

TEST_F(EntryTreeTest, SelectingWithTheKeyboardPreviewsImagesAndShowsThePlaceholderForText) {
  const std::wstring path = dir / L"images.rdb";
  fixtures::WritePackage(path, {{L"Skin\\Main\\green.bmp", fixtures::SolidBmp(64, 64, kGreen)},
                                {L"ui\\readme.xml", fixtures::Text("<ui/>")},
                                {L"Skin\\wrapped.gft", fixtures::SolidBmp(64, 64, kGreen), true},
                                {L"script.lua", fixtures::Text("print(1)")}});
  Open(path);
  EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kSplash);

  // Focus alone selects the first item without a user action: nothing is previewed.
  ::SetFocus(dlg.m_tree);
  harness::Pump();
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");

  fixtures::ClickTreeItem(dlg, 1);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"ui\\readme.xml");
  EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kPlaceholder);
  struct Step {
    WPARAM key;
    const wchar_t* name;
    PreviewShows shows;
  } steps[] = {
      {VK_UP, L"Skin\\Main\\green.bmp", PreviewShows::kColour},
      {VK_DOWN, L"ui\\readme.xml", PreviewShows::kPlaceholder},
      {VK_DOWN, L"Skin\\wrapped.gft", PreviewShows::kColour},
      {VK_DOWN, L"script.lua", PreviewShows::kPlaceholder},
      {VK_UP, L"Skin\\wrapped.gft", PreviewShows::kColour},
      {VK_HOME, L"Skin\\Main\\green.bmp", PreviewShows::kColour},
      {VK_END, L"script.lua", PreviewShows::kPlaceholder},
  };
  for (const Step& s : steps) {
    fixtures::PressKeyInTree(dlg, s.key);
    EXPECT_EQ(dlg.m_editName.GetWindowText(), s.name);
    EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), s.shows) << s.name;
  }

  // A refill keeps the selected entry when it is still listed: it stays selected and shown.
  fixtures::ChooseFilter(dlg, 9);
  ASSERT_EQ(fixtures::TreeTexts(dlg.m_tree), std::vector<std::wstring>{L"script.lua"});
  ASSERT_NE(dlg.m_tree.GetSelectedItem(), nullptr);
  EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), L"script.lua");
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"script.lua");
  EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kPlaceholder);

  // A filter that drops it: nothing is selected, so nothing is shown and Save does nothing.
  fixtures::ChooseFilter(dlg, 8);
  EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");
  EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kSplash);
  fixtures::ClickButton(dlg.m_btnSave);
  EXPECT_TRUE(ui.requests.size() == 1u && ui.messages.empty());  // only the open dialog so far

  // Back to all files: the entry is listed again but not selected, so still nothing shown.
  fixtures::ChooseFilter(dlg, 0);
  EXPECT_EQ(dlg.m_tree.GetSelectedItem(), nullptr);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");

  // A selection the program makes itself (not by mouse or keyboard) previews nothing.
  fixtures::ClickTreeItem(dlg, 3);
  ASSERT_EQ(dlg.m_editName.GetWindowText(), L"script.lua");
  dlg.m_tree.SelectItem(dlg.m_tree.GetRootItem());
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"script.lua");

  // Loading again clears the name box and brings the splash back.
  Open(path);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");
  EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kSplash);
}

TEST_F(EntryTreeTest, TheFilterStaysAcrossLoadsAndSelections) {
  const std::wstring a = dir / L"a.rdb", b = dir / L"b.rdb";
  fixtures::WritePackage(a, kMixed);
  fixtures::WritePackage(b, {{L"x.xml", fixtures::Text("<x/>")}, {L"y.PNG", fixtures::PngLike(12)},
                             {L"z.lua", fixtures::Text("z")}});
  Open(a);
  fixtures::ChooseFilter(dlg, 2);
  fixtures::ClickTreeItem(dlg, 0);
  EXPECT_EQ(dlg.m_filter.GetCurSel(), 2);
  EXPECT_EQ(Pane0(), L"共有文件:6 过滤后:3");

  Open(b);
  EXPECT_EQ(dlg.m_filter.GetCurSel(), 2);
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), std::vector<std::wstring>{L"y.PNG"});
  EXPECT_EQ(Pane0(), L"共有文件:3 过滤后:1");
}

// After a failed load no package is open, and the path box says so by naming none.
TEST_F(EntryTreeTest, AFailedLoadReportsThePathAndEmptiesThePathBox) {
  const std::wstring good = dir / L"good.rdb", bad = dir / L"bad.rdb";
  fixtures::WritePackage(good, kMixed);
  harness::WriteBytes(bad, fixtures::Text("this is not a package, only some text"));
  Open(good);
  fixtures::ClickTreeItem(dlg, 1);
  ASSERT_FALSE(dlg.m_editName.GetWindowText().empty());

  for (const std::wstring& path : {bad, dir / L"missing.rdb"}) {
    ui.messages.clear();
    Open(path);
    EXPECT_EQ(Pane0(), L"打开文件失败");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], L"打开文件失败!\r\n\r\n" + path);
    // The path stands alone on the third line of the message.
    const std::wstring& m = ui.messages[0];
    EXPECT_EQ(m.substr(m.find(L"\r\n\r\n") + 4), path);
    EXPECT_EQ(dlg.m_editPath.GetWindowText(), L"");
    EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
    EXPECT_TRUE(dlg.m_entries.Empty());
    EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");
    EXPECT_EQ(fixtures::ReadPreview(dlg.m_preview, kGreen), PreviewShows::kSplash);
    EXPECT_TRUE(CommandsEnabled());
  }
}

TEST_F(EntryTreeTest, ARealDropOpensTheFirstFileOnly) {
  const std::wstring a = dir / L"a.rdb", b = dir / L"b.rdb", text = dir / L"notes.txt";
  fixtures::WritePackage(a, kMixed);
  fixtures::WritePackage(b, {{L"only.xml", fixtures::Text("<o/>")}});
  harness::WriteBytes(text, fixtures::Text("plain words"));

  Drop({a, text, b});
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), a);
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree).size(), 6u);
  EXPECT_TRUE(ui.messages.empty());

  Drop({b});
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), std::vector<std::wstring>{L"only.xml"});

  // A dropped file that is not a package, whatever its name says.
  Drop({text});
  EXPECT_EQ(Pane0(), L"打开文件失败");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"打开文件失败!\r\n\r\n" + text);
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), L"");

  // A name longer than 260 units is taken whole, never cut into some other file's name.
  const std::wstring longName = dir / (std::wstring(300, L'n') + L".rdb");
  Drop({longName});
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1], L"打开文件失败!\r\n\r\n" + longName);
}

// A drop that arrives while a load pumps its messages is ignored (and its handle freed):
// a nested load would replace the package under the running one.
TEST_F(EntryTreeTest, ADropDuringALoadIsIgnored) {
  const std::wstring a = dir / L"a.rdb", text = dir / L"notes.txt";
  fixtures::WritePackage(a, kMixed);
  harness::WriteBytes(text, fixtures::Text("plain words"));

  HDROP drop = fixtures::MakeDrop({text});
  ASSERT_TRUE(::PostMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0));
  Open(a);  // the load's first pump delivers the drop
  EXPECT_TRUE(fixtures::DropReleased(drop));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), a);
  EXPECT_EQ(Pane0(), L"共有文件:6");
  EXPECT_FALSE(dlg.m_bBusy);

  // Once the load is over, drops work again.
  Drop({text});
  EXPECT_EQ(ui.messages.size(), 1u);
}
