// The window's save and export against what the file system itself does: a hard link to a
// file elsewhere, short-name aliases, names the system cuts, a folder swapped by another
// process during the export, and a write that fails while replacing an existing file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <thread>

#include "rules/ExportFolderWin.h"
#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/HostCommand.h"

using fixtures::Bytes;
using fixtures::EntrySpec;

namespace {

class ExportFileSystemTest : public fixtures::DialogTest<> {
 protected:
  void TearDown() override {
    sorv::rules::InjectWriteFault(sorv::rules::kNoWriteFault);
    fixtures::DialogTest<>::TearDown();
  }
  void Load(const std::vector<EntrySpec>& entries) {
    const std::wstring package = dir / L"package.rdb";
    fixtures::WritePackage(package, entries);
    dlg.LoadPackage(package);
    ASSERT_EQ(dlg.m_editPath.GetWindowText(), package);
  }
  void Export(const std::wstring& folder) {
    ui.messages.clear();
    ui.folderAnswers.push_back(folder + L"\\");
    fixtures::ClickButton(dlg.m_btnExport);
  }
  void SaveFirst(const std::wstring& path) {
    ui.messages.clear();
    fixtures::ClickTreeItem(dlg, 0);
    ui.fileAnswers.push_back(path);
    fixtures::ClickButton(dlg.m_btnSave);
  }
  std::wstring Folder(const wchar_t* name) {
    const std::wstring path = dir / name;
    ::CreateDirectoryW(path.c_str(), nullptr);
    return path;
  }
};

Bytes Filled(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

}  // namespace

TEST_F(ExportFileSystemTest, ExistingFilesAliasesAndCutNames) {
  const std::wstring out = Folder(L"out"), outside = Folder(L"outside");
  harness::WriteBytes(outside + L"\\victim.txt", fixtures::Text("victim"));
  harness::WriteBytes(out + L"\\longfilename.txt", fixtures::Text("old long"));
  ASSERT_TRUE(MakeHostHardLink(out + L"\\h.txt", outside + L"\\victim.txt"));
  ::CreateDirectoryW((out + L"\\longdirectoryname").c_str(), nullptr);
  const std::wstring dirAlias = ShortNameFromDir(out, L"longdirectoryname");
  const std::wstring fileAlias = ShortNameFromDir(out, L"longfilename.txt");
  ASSERT_FALSE(dirAlias.empty());
  ASSERT_FALSE(fileAlias.empty());
  ::RemoveDirectoryW((out + L"\\longdirectoryname").c_str());
  const std::wstring cjk(100, L'\u4E2D');
  Load({{L"h.txt", fixtures::Text("entry h")},
        {L"longdirectoryname\\a.txt", fixtures::Text("first a")},
        {dirAlias + L"\\a.txt", fixtures::Text("second a")},
        {L"longfilename.txt", fixtures::Text("new long")},
        {fileAlias, fixtures::Text("through the alias")},
        {cjk + L".txt", fixtures::Text("cut one")},
        {cjk + L".bin", fixtures::Text("cut two")},
        {L"ok.txt", fixtures::Text("ok")}});

  Export(out);
  ASSERT_EQ(ui.messages.size(), 1u);
  // Each refused entry named with its own reason: an alias, or a name the system changed.
  const std::wstring aliasLines = L"导出文件完成!\r\n\r\n失败: 4\r\n" + dirAlias + L"\\a.txt: 名称是另一个文件或目录的短名称\r\n" +
                                  fileAlias + L": 名称是另一个文件或目录的短名称\r\n";
  EXPECT_EQ(ui.messages[0].substr(0, aliasLines.size()), aliasLines);
  const std::wstring rest = ui.messages[0].substr(std::min(aliasLines.size(), ui.messages[0].size()));
  EXPECT_EQ(rest.find(L".txt: 系统改变了名称\r\n"), rest.rfind(L".txt: 系统改变了名称\r\n")) << "one cut .txt";
  EXPECT_NE(rest.find(L".txt: 系统改变了名称\r\n"), std::wstring::npos);
  EXPECT_EQ(rest.size() - rest.rfind(L".bin: 系统改变了名称"), std::wstring(L".bin: 系统改变了名称").size());
  EXPECT_EQ(harness::ReadBytes(outside + L"\\victim.txt"), fixtures::Text("victim"));
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"h.txt", L"longdirectoryname\\a.txt",
                                                               L"longfilename.txt", L"ok.txt"}));
  EXPECT_EQ(harness::ReadBytes(out + L"\\h.txt"), fixtures::Text("entry h"));
  EXPECT_EQ(harness::ReadBytes(out + L"\\longdirectoryname\\a.txt"), fixtures::Text("first a"));
  EXPECT_EQ(harness::ReadBytes(out + L"\\longfilename.txt"), fixtures::Text("new long"));
}

// The injected fault stops a file's write part-way, in the export and in the save: an
// existing file keeps its bytes, and no partial file or temporary is left.
TEST_F(ExportFileSystemTest, AFailedWriteKeepsTheExistingFileAndLeavesNothing) {
  const Bytes old = Filled(30 * 1024, 1), bigger = Filled(50 * 1024, 2);
  Load({{L"a.bin", bigger}, {L"new.bin", bigger}, {L"small.txt", fixtures::Text("fits below the fault")}});
  const std::wstring out = Folder(L"out");
  harness::WriteBytes(out + L"\\a.bin", old);
  sorv::rules::InjectWriteFault(32 * 1024);

  Export(out);
  ASSERT_EQ(ui.messages.size(), 1u);
  // The count, then each failed entry by name with the system's words for its error.
  const std::wstring prefix = L"导出文件完成!\r\n\r\n失败: 2\r\na.bin: ";
  EXPECT_EQ(ui.messages[0].substr(0, prefix.size()), prefix);
  EXPECT_NE(ui.messages[0].find(L"\r\nnew.bin: "), std::wstring::npos);
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"a.bin", L"small.txt"}));
  EXPECT_EQ(harness::ReadBytes(out + L"\\a.bin"), old);

  const std::wstring saved = Folder(L"saved");
  harness::WriteBytes(saved + L"\\kept.bin", old);
  for (const wchar_t* name : {L"kept.bin", L"fresh.bin"}) {
    SaveFirst(saved + L"\\" + name);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], L"保存" + saved + L"\\" + name + L"文件失败!");
  }
  EXPECT_EQ(fixtures::FilesBelow(saved), std::set<std::wstring>{L"kept.bin"});
  EXPECT_EQ(harness::ReadBytes(saved + L"\\kept.bin"), old);

  // Without the fault the save replaces the file.
  sorv::rules::InjectWriteFault(sorv::rules::kNoWriteFault);
  SaveFirst(saved + L"\\kept.bin");
  EXPECT_EQ(harness::ReadBytes(saved + L"\\kept.bin"), bigger);
}

// Another process renames a folder the export writes into and puts a link to a folder
// outside in its place: a program of the system is refused the rename while the export
// holds the folder; the host's rename goes through, and still nothing is written outside.
TEST_F(ExportFileSystemTest, AFolderSwappedDuringTheExportIsNotFollowed) {
  const std::wstring out = Folder(L"out"), outside = Folder(L"outside");
  const int count = 400;
  std::vector<EntrySpec> entries;
  for (int i = 0; i < count; ++i) entries.push_back({L"sub\\f" + std::to_wstring(1000 + i), Filled(128 * 1024, uint8_t(i))});
  Load(entries);
  const std::string hostOut = HostPath(out), hostOutside = HostPath(outside);
  ASSERT_FALSE(hostOut.empty());
  const HostShell swapper =
      StartHostShell("for i in $(seq 3000); do [ -e '" + hostOut + "/sub/f1000' ] && break; sleep 0.01; done; mv '" +
                     hostOut + "/sub' '" + hostOut + "/sub-old' && ln -s '" + hostOutside + "' '" + hostOut + "/sub'");
  ASSERT_TRUE(swapper.started);
  bool systemRenameRefused = false;
  std::thread systemSwap([&] {
    const std::wstring first = out + L"\\sub\\f1000";
    for (int i = 0; i < 3000 && ::GetFileAttributesW(first.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(1);
    systemRenameRefused = !::MoveFileW((out + L"\\sub").c_str(), (out + L"\\sub-sys").c_str());
  });

  Export(out);
  systemSwap.join();
  const int swapped = WaitHostShell(swapper, 60000);

  EXPECT_TRUE(systemRenameRefused);
  ASSERT_EQ(swapped, 0) << "the host's swap did not happen";
  EXPECT_TRUE(fixtures::FilesBelow(outside).empty());
  // Every file in the renamed folder has its whole content; the export counted the others.
  size_t whole = 0;
  for (int i = 0; i < count; ++i) {
    const std::wstring file = out + L"\\sub-old\\f" + std::to_wstring(1000 + i);
    if (harness::FileExists(file) && harness::ReadBytes(file) == Filled(128 * 1024, uint8_t(i))) ++whole;
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::wstring counted = L"导出文件完成!\r\n\r\n失败: " + std::to_wstring(count - whole) + L"\r\nsub\\f";
  EXPECT_EQ(ui.messages[0].substr(0, counted.size()), counted);
  EXPECT_LT(whole, size_t(count));  // the swap came during the export
}
