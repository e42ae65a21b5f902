// Saving the selected entry and exporting the listed entries, with packages made by the
// package writer and files checked on disk.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <psapi.h>

#include <algorithm>
#include <functional>
#include <new>
#include <set>

#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/HostLink.h"

using fixtures::Bytes;
using fixtures::EntrySpec;
using harness::FakeUi;
using harness::TestDlg;

namespace {

// The main dialog with the export's per-entry seam reachable from a test.
class SeamDlg : public TestDlg {
 public:
  std::function<void(size_t)> beforeEntry;

 protected:
  void OnExportEntry(size_t index, size_t) override {
    if (beforeEntry) beforeEntry(index);
  }
};

class SaveExportTest : public fixtures::DialogTest<SeamDlg> {
 protected:
  void Load(const std::vector<EntrySpec>& entries) {
    package = dir / L"package.rdb";
    fixtures::WritePackage(package, entries);
    dlg.LoadPackage(package);
    ASSERT_EQ(dlg.m_editPath.GetWindowText(), package);
  }
  // Selects the listed entry `index` as the user would: a click, then the keyboard.
  void SelectWithKeyboard(int index) {
    fixtures::ClickTreeItem(dlg, 0);
    for (int i = 0; i < index; ++i) fixtures::PressKeyInTree(dlg, VK_DOWN);
  }
  void Save(const std::wstring& answer) {
    ui.fileAnswers.push_back(answer);
    fixtures::ClickButton(dlg.m_btnSave);
  }
  void Export(const std::wstring& folder) {
    ui.folderAnswers.push_back(folder);
    fixtures::ClickButton(dlg.m_btnExport);
  }

  // The four commands enabled, and no work running.
  bool CommandsEnabled() const { return fixtures::CommandsEnabled(dlg) && !dlg.m_bBusy; }

  std::wstring package;
};


const Bytes kPng = fixtures::PngLike(48);
const Bytes kPayload = fixtures::PngLike(33);

}  // namespace

TEST_F(SaveExportTest, SaveWithoutASelectionDoesNothing) {
  Load({{L"a.png", kPng}});
  Save(dir / L"never.png");
  EXPECT_TRUE(ui.requests.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveExportTest, AnEntryWithoutDataIsRefusedBeforeAnyDialog) {
  Load({{L"empty.png", {}}, {L"a.png", kPng}});
  SelectWithKeyboard(0);
  Save(dir / L"never.png");
  EXPECT_TRUE(ui.requests.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"资源文件大小为零不能保存!");
  EXPECT_FALSE(harness::FileExists(dir / L"never.png"));
}

TEST_F(SaveExportTest, SaveProposesTheFileNameAndWritesTheEntry) {
  Load({{L"Skin\\Logo.png?v=2", kPng}, {L"Skin\\Wrapped.gft", kPayload, true}, {L"plain.gft", kPng}});

  struct Case {
    int index;
    const wchar_t* proposed;
    const wchar_t* answer;
    const wchar_t* written;  // where the bytes land
    const Bytes* bytes;
  } cases[] = {
      {0, L"Logo.png", L"logo-out.png", L"logo-out.png", &kPng},
      // A wrapped image gets the payload's extension; the message names the chosen path.
      {1, L"Wrapped.gft", L"out.gft", L"out.gft.png", &kPayload},
      {2, L"plain.gft", L"plain-out.gft", L"plain-out.gft", &kPng},
  };
  for (const Case& c : cases) {
    ui.requests.clear();
    ui.messages.clear();
    SelectWithKeyboard(c.index);
    const std::wstring chosen = dir / c.answer;
    Save(chosen);
    ASSERT_EQ(ui.requests.size(), 1u) << c.index;
    const FileDialogRequest& r = ui.requests[0];
    EXPECT_FALSE(r.open);
    EXPECT_EQ(r.title, L"保存文件");
    EXPECT_EQ(r.filter, L"任意文件|*.*||");
    EXPECT_EQ(r.fileName, c.proposed);
    EXPECT_TRUE(r.defaultExt.empty());
    EXPECT_EQ(r.flags, DWORD(OFN_OVERWRITEPROMPT | OFN_SHAREAWARE));
    EXPECT_EQ(harness::ReadBytes(dir / c.written), *c.bytes) << c.index;
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], L"保存" + chosen + L"文件成功!");
  }

  // Cancelled: nothing written, nothing said. A path that cannot be created: failure.
  ui.messages.clear();
  Save(L"");
  EXPECT_TRUE(ui.messages.empty());
  const std::wstring nowhere = dir / L"no-such-folder\\x.png";
  Save(nowhere);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"保存" + nowhere + L"文件失败!");
}

// The save dialog pumps messages; a drop arriving there must not replace the package whose
// entry is about to be written.
TEST_F(SaveExportTest, ADropWhileTheSaveDialogIsOpenIsIgnored) {
  Load({{L"keep.png", kPng}});
  const std::wstring other = dir / L"other.rdb";
  fixtures::WritePackage(other, {{L"other.png", fixtures::PngLike(20)}});
  SelectWithKeyboard(0);
  HDROP drop = fixtures::MakeDrop({other});
  ui.duringDialog = [&] { dlg.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop)); };
  Save(dir / L"saved.png");
  EXPECT_TRUE(fixtures::DropReleased(drop));
  EXPECT_EQ(harness::ReadBytes(dir / L"saved.png"), kPng);
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), package);
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), std::vector<std::wstring>{L"keep.png"});
}

TEST_F(SaveExportTest, ExportWritesTheListedEntriesBelowTheFolderAndSkipsHostileNames) {
  const Bytes c = fixtures::PngLike(21), d = fixtures::Text("<d/>"), x = fixtures::PngLike(22),
              f = fixtures::PngLike(23);
  Load({{L"a\\b\\c.png", c},
        {L"..\\x", fixtures::Text("up")},
        {L"a\\d.xml", d},
        {L"C:\\x", fixtures::Text("drive")},
        {L"x.png", x},
        {L"a:b", fixtures::Text("stream")},
        {L"e/f.png", f},
        {L"CON.png", fixtures::PngLike(24)},
        {L"a\\..\\..\\x", fixtures::Text("up2")},
        {L"w\\in.gft", kPayload, true}});
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);

  Export(out + L"\\");
  ASSERT_EQ(ui.folderPrompts.size(), 1u);
  EXPECT_EQ(ui.folderPrompts[0], L"请选择导出目录...");
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"a\\b\\c.png", L"a\\d.xml", L"x.png", L"e\\f.png",
                                                      L"w\\in.gft.png"}));
  EXPECT_EQ(harness::ReadBytes(out + L"\\a\\b\\c.png"), c);
  EXPECT_EQ(harness::ReadBytes(out + L"\\a\\d.xml"), d);
  EXPECT_EQ(harness::ReadBytes(out + L"\\e\\f.png"), f);
  EXPECT_EQ(harness::ReadBytes(out + L"\\w\\in.gft.png"), kPayload);
  // Nothing next to the folder, nothing on the drive root.
  EXPECT_EQ(fixtures::FilesBelow(dir.Path()).size(), fixtures::FilesBelow(out).size() + 1);  // + the package
  EXPECT_FALSE(harness::FileExists(L"C:\\x"));
  ASSERT_EQ(ui.messages.size(), 1u);
  // The entries not written are named below the count, each with its reason.
  EXPECT_EQ(ui.messages[0],
            L"导出文件完成!\r\n\r\n失败: 5\r\n..\\x: 名称含 . 或 .. 目录\r\nC:\\x: 名称含冒号\r\na:b: 名称含冒号\r\n"
            L"CON.png: 名称是设备名\r\na\\..\\..\\x: 名称含 . 或 .. 目录");
  EXPECT_TRUE(::IsWindowEnabled(dlg.m_btnExport) && ::IsWindowEnabled(dlg.m_btnOpen) &&
              ::IsWindowEnabled(dlg.m_btnSave) && ::IsWindowEnabled(dlg.m_editPath));
  EXPECT_FALSE(dlg.m_bBusy);

  // Under a filter only what the tree lists is written; all written: the plain message.
  const std::wstring xmlOnly = dir / L"xml";
  ::CreateDirectoryW(xmlOnly.c_str(), nullptr);
  fixtures::ChooseFilter(dlg, 7);
  ui.messages.clear();
  Export(xmlOnly + L"\\");
  EXPECT_EQ(fixtures::FilesBelow(xmlOnly), std::set<std::wstring>{L"a\\d.xml"});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"导出文件完成!");

  // Again into the same folder: the files are replaced without asking.
  harness::WriteBytes(xmlOnly + L"\\a\\d.xml", fixtures::Text("older and longer content"));
  Export(xmlOnly + L"\\");
  EXPECT_EQ(harness::ReadBytes(xmlOnly + L"\\a\\d.xml"), d);
}

// Ten entries are named, a long name keeps its start and end, and "…" says there are more.
TEST_F(SaveExportTest, TheFinalMessageNamesTheFirstTenEntriesNotWritten) {
  const std::wstring longName = L"very\\long\\" + std::wstring(50, L'n') + L"?.png";
  std::vector<EntrySpec> entries = {{L"ok.png", kPng}, {longName, kPng}};
  for (int i = 0; i < 11; ++i) entries.push_back({L"bad" + std::to_wstring(i) + L"|.txt", kPng});
  Load(entries);
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  Export(out + L"\\");
  std::wstring expected = L"导出文件完成!\r\n\r\n失败: 12\r\nvery\\long\\nnnnnnnnn\u2026nnnnnnnnnnnnnnn?.png: 名称含文件名不能用的字符";
  for (int i = 0; i < 9; ++i) expected += L"\r\nbad" + std::to_wstring(i) + L"|.txt: 名称含文件名不能用的字符";
  expected += L"\r\n\u2026";
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], expected);
  EXPECT_EQ(fixtures::FilesBelow(out), std::set<std::wstring>{L"ok.png"});
}

TEST_F(SaveExportTest, AFileInTheWaySkipsTheEntriesBelowIt) {
  Load({{L"a\\one.png", kPng}, {L"a\\b\\two.png", kPng}, {L"top.png", kPng}, {L"c\\three.png", kPng}});
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  harness::WriteBytes(out + L"\\a", fixtures::Text("a file named a"));
  Export(out + L"\\");
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"a", L"top.png", L"c\\three.png"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  // Named with the system's words for the error, whatever they are.
  const std::wstring message = ui.messages[0];
  EXPECT_EQ(message.rfind(L"导出文件完成!\r\n\r\n失败: 2\r\na\\one.png: ", 0), 0u);
  EXPECT_NE(message.find(L"\r\na\\b\\two.png: "), std::wstring::npos);
}

TEST_F(SaveExportTest, NothingListedOrChooserCancelledWritesAndSaysNothing) {
  Load({{L"a.png", kPng}});
  Export(L"");  // cancelled
  EXPECT_EQ(ui.folderPrompts.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());

  fixtures::ChooseFilter(dlg, 9);
  ASSERT_EQ(dlg.m_tree.GetCount(), 0u);
  Export(dir.Path() + L"\\");
  EXPECT_EQ(ui.folderPrompts.size(), 1u);  // the chooser was not even shown
  EXPECT_TRUE(ui.messages.empty());
}

// Two entries that lead to one file: the first one's bytes stay, the second is counted.
TEST_F(SaveExportTest, TwoEntriesForOneFileKeepTheFirstAndCountTheSecond) {
  struct Pair {
    EntrySpec first, second;
    const wchar_t* file;  // where the first one lands
  };
  const Bytes one = fixtures::Text("first"), two = fixtures::Text("second, longer");
  const Bytes png1 = fixtures::PngLike(30), png2 = fixtures::PngLike(31);
  const Pair pairs[] = {
      {{L"same.txt", one}, {L"same.txt", two}, L"same.txt"},
      {{L"a/b.txt", one}, {L"a\\b.txt", two}, L"a\\b.txt"},
      {{L"pic", png1, true}, {L"pic.png", png2}, L"pic.png"},      // wrapped first
      {{L"pic2.png", png1}, {L"pic2", png2, true}, L"pic2.png"},   // wrapped second
      {{L"Case.txt", one}, {L"case.txt", two}, L"Case.txt"},
      {{L"D\\x", one}, {L"d\\x", two}, L"D\\x"},
      {{L"\uFF21", one}, {L"\uFF41", two}, L"\uFF21"},             // fullwidth A, a
      {{L"\u03A3", one}, {L"\u03C3", two}, L"\u03A3"},             // sigma
  };
  std::vector<EntrySpec> entries;
  std::set<std::wstring> files;
  for (const Pair& p : pairs) files.insert(p.file);
  for (const Pair& p : pairs) entries.push_back(p.first);
  for (const Pair& p : pairs) entries.push_back(p.second);  // every second one after all firsts
  entries.push_back({L"e\\f.txt", one});                     // a folder of a refused entry's name is fine
  Load(entries);
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);

  Export(out + L"\\");
  ASSERT_EQ(ui.messages.size(), 1u);
  std::wstring named;
  for (const Pair& p : pairs) named += L"\r\n" + p.second.name + L": 与前面的条目是同一个文件";
  EXPECT_EQ(ui.messages[0], L"导出文件完成!\r\n\r\n失败: 8" + named);
  files.insert(L"e\\f.txt");
  EXPECT_EQ(fixtures::FilesBelow(out), files);
  for (const Pair& p : pairs) {
    EXPECT_EQ(harness::ReadBytes(out + L"\\" + p.file), p.first.data) << std::string(p.file, p.file + wcslen(p.file));
  }
  EXPECT_TRUE(CommandsEnabled());
}

// A link below the chosen folder is never written through: a host link to a folder as
// Wine shows it, and the system's own links where the platform makes them.
TEST_F(SaveExportTest, ALinkBelowTheFolderIsNotWrittenThrough) {
  const std::wstring outside = dir / L"outside", out = dir / L"out";
  ::CreateDirectoryW(outside.c_str(), nullptr);
  ::CreateDirectoryW(out.c_str(), nullptr);
  harness::WriteBytes(outside + L"\\target.txt", fixtures::Text("keep"));
  ASSERT_TRUE(MakeHostSymlink(out + L"\\link", outside));
  ASSERT_TRUE(MakeHostSymlink(out + L"\\f.txt", outside + L"\\target.txt"));
  const bool systemLink = MakeSystemSymlink(out + L"\\sys", outside, true);
  Load({{L"link\\x.txt", fixtures::Text("through the link")},
        {L"link\\deeper\\y.txt", fixtures::Text("through the link too")},
        {L"f.txt", fixtures::Text("over the link")},
        {L"sys\\z.txt", fixtures::Text("through a system link")},
        {L"ok.txt", fixtures::Text("ok")}});

  Export(out + L"\\");
  // Nothing outside changed, whatever the links are.
  EXPECT_EQ(fixtures::FilesBelow(outside), std::set<std::wstring>{L"target.txt"});
  EXPECT_EQ(harness::ReadBytes(outside + L"\\target.txt"), fixtures::Text("keep"));
  EXPECT_EQ(harness::ReadBytes(out + L"\\ok.txt"), fixtures::Text("ok"));
  // The folder link and the file link are counted and left as they are; so is the system
  // link where one was made (the entry for "sys" otherwise lands in a plain folder inside).
  const size_t failed = 3 + (systemLink ? 1 : 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::wstring link = L": 路径上有链接或联接点";
  EXPECT_EQ(ui.messages[0], L"导出文件完成!\r\n\r\n失败: " + std::to_wstring(failed) + L"\r\nlink\\x.txt" + link +
                                L"\r\nlink\\deeper\\y.txt" + link + L"\r\nf.txt" + link +
                                (systemLink ? L"\r\nsys\\z.txt" + link : L""));
  EXPECT_EQ(harness::ReadBytes(out + L"\\f.txt"), fixtures::Text("keep"));  // still the link
  EXPECT_EQ(harness::FileExists(out + L"\\sys\\z.txt"), !systemLink);
}

// Empty entries and wrapped entries with an empty payload are written, and count as such.
TEST_F(SaveExportTest, EmptyEntriesAreWrittenAndCountAsWritten) {
  Load({{L"empty.txt", {}}, {L"w.gft", {}, true}, {L"d\\also-empty", {}}, {L"x.png", kPng}});
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  harness::WriteBytes(out + L"\\empty.txt", fixtures::Text("old content"));
  Export(out + L"\\");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"导出文件完成!");
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"empty.txt", L"w.gft", L"d\\also-empty", L"x.png"}));
  EXPECT_TRUE(harness::ReadBytes(out + L"\\empty.txt").empty());
  EXPECT_TRUE(harness::ReadBytes(out + L"\\w.gft").empty());

  // Saving the wrapped entry: its header makes it non-empty; the empty payload is written.
  ui.messages.clear();
  SelectWithKeyboard(1);
  const std::wstring chosen = dir / L"saved.gft";
  Save(chosen);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"保存" + chosen + L"文件成功!");
  EXPECT_TRUE(harness::FileExists(chosen));
  EXPECT_TRUE(harness::ReadBytes(chosen).empty());
}

size_t PeakPrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakPagefileUsage;
}

// A name of 100,000 folder levels is refused on its length: no folder made, memory flat.
// A deep name within the limit is written.
TEST_F(SaveExportTest, ANameTooLongForThePlatformIsRefusedBeforeAnyFolder) {
  std::wstring deep;
  for (int i = 0; i < 100000; ++i) deep += L"a\\";
  std::wstring fits;
  // Past the short path limit of 260 units: written through the long form.
  for (int i = 0; i < 40; ++i) fits += L"level" + std::to_wstring(i) + L"\\";
  Load({{deep + L"x.txt", fixtures::Text("deep")}, {fits + L"y.txt", fixtures::Text("fits")}});
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  const size_t before = PeakPrivateBytes();
  Export(out + L"\\");
  const size_t grown = PeakPrivateBytes() - before;
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            L"导出文件完成!\r\n\r\n失败: 1\r\na\\a\\a\\a\\a\\a\\a\\a\\a\\a\u2026\\a\\a\\a\\a\\a\\a\\a\\x.txt: 路径或名称太长");
  EXPECT_FALSE(harness::FileExists(out + L"\\a"));
  EXPECT_GT(out.size() + fits.size(), 260u);
  EXPECT_EQ(harness::ReadBytes(L"\\\\?\\" + out + L"\\" + fits + L"y.txt"), fixtures::Text("fits"));
  // Keeping every folder prefix of the deep name would take gigabytes.
  EXPECT_LT(grown, size_t(64) << 20) << grown;
}

// An out-of-memory in the middle of an export ends with the system's message, and the
// window's commands come back.
TEST_F(SaveExportTest, OutOfMemoryDuringAnExportShowsTheSystemMessageAndEnablesTheCommands) {
  Load({{L"a.png", kPng}, {L"b.png", kPng}, {L"c.png", kPng}});
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  dlg.beforeEntry = [](size_t index) {
    if (index == 1) throw std::bad_alloc();
  };
  Export(out + L"\\");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(ui.messages[0].empty());
  EXPECT_EQ(ui.messages[0].find(L"导出文件完成"), std::wstring::npos);
  EXPECT_TRUE(CommandsEnabled());
  EXPECT_EQ(fixtures::FilesBelow(out), std::set<std::wstring>{L"a.png"});

  // And the next export runs.
  dlg.beforeEntry = nullptr;
  ui.messages.clear();
  Export(out + L"\\");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"导出文件完成!");
}
