// The main window while it works: the status texts and the disabled commands of a load as
// they happen, a drop that arrives during an export, an export into a drive root, and the
// choices of the real open and save dialogs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"

using fixtures::Bytes;
using harness::FakeUi;
using harness::TestDlg;

namespace {

using BusyTest = fixtures::DialogTest<>;

// Every text set into pane 0 of the status bar, with whether the four commands were
// enabled at that moment. Sits in front of the bar's own procedure.
struct PaneRecord {
  std::wstring text;
  bool commandsEnabled;
};
std::vector<PaneRecord> g_pane;
WNDPROC g_barProc = nullptr;
const TestDlg* g_dlg = nullptr;

LRESULT CALLBACK BarRecorderProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 0) {
    const TestDlg& d = *g_dlg;
    const bool enabled = ::IsWindowEnabled(d.m_btnOpen) && ::IsWindowEnabled(d.m_btnSave) &&
                         ::IsWindowEnabled(d.m_btnExport) && ::IsWindowEnabled(d.m_editPath);
    g_pane.push_back(PaneRecord{lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", enabled});
  }
  return ::CallWindowProcW(g_barProc, hWnd, msg, wParam, lParam);
}


}  // namespace

TEST_F(BusyTest, ALoadShowsLoadThenTheCountWithTheCommandsDisabledMeanwhile) {
  const std::wstring path = dir / L"three.rdb";
  fixtures::WritePackage(path, {{L"a.png", fixtures::PngLike(10)}, {L"b\\c.xml", fixtures::Text("<c/>")},
                                {L"d.lua", fixtures::Text("d")}});
  g_pane.clear();
  g_dlg = &dlg;
  g_barProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(dlg.m_statusBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BarRecorderProc)));
  ui.fileAnswers.push_back(path);
  fixtures::ClickButton(dlg.m_btnOpen);
  ::SetWindowLongPtrW(dlg.m_statusBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_barProc));

  std::vector<std::wstring> texts;
  for (const PaneRecord& r : g_pane) {
    texts.push_back(r.text);
    EXPECT_FALSE(r.commandsEnabled) << "commands enabled while the status read \"" << std::string(r.text.begin(), r.text.end()) << "\"";
  }
  // "load.." first of all, before the old list is let go (which can take seconds); then
  // the cleared pane, "load.." while the package opens, the cleared pane, the count.
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"load..", L"", L"load..", L"", L"共有文件:3"}));
  EXPECT_TRUE(CommandsEnabled());
  EXPECT_EQ(dlg.m_statusBar.GetPaneText(0), L"共有文件:3");
}

// The export pumps messages before and after its loop; a drop that arrives there must not
// open another package under it.
TEST_F(BusyTest, ADropDuringAnExportIsIgnored) {
  const std::wstring package = dir / L"first.rdb", other = dir / L"other.rdb";
  const Bytes png = fixtures::PngLike(40);
  fixtures::WritePackage(package, {{L"a\\one.png", png}, {L"two.xml", fixtures::Text("<t/>")}});
  fixtures::WritePackage(other, {{L"other.png", fixtures::PngLike(20)}});
  dlg.LoadPackage(package);
  ASSERT_EQ(dlg.m_editPath.GetWindowText(), package);
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);

  // Posted while the chooser is open, handled by the export's own message pumping.
  HDROP drop = fixtures::MakeDrop({other});
  ui.duringDialog = [&] { ::PostMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0); };
  ui.folderAnswers.push_back(out + L"\\");
  fixtures::ClickButton(dlg.m_btnExport);
  harness::Pump();

  EXPECT_TRUE(fixtures::DropReleased(drop));
  EXPECT_EQ(dlg.m_editPath.GetWindowText(), package);
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), (std::vector<std::wstring>{L"one.png", L"two.xml"}));
  EXPECT_EQ(fixtures::FilesBelow(out), (std::set<std::wstring>{L"a\\one.png", L"two.xml"}));
  EXPECT_EQ(harness::ReadBytes(out + L"\\a\\one.png"), png);
  EXPECT_EQ(ui.messages, std::vector<std::wstring>{L"导出文件完成!"});
  EXPECT_FALSE(dlg.m_bBusy);
}

namespace {

// The Unix path of a Windows path, from Wine's own conversion.
std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
  if (!unix) return std::string();
  std::string out = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

// Starts a Unix program (Wine runs it as a Unix process of its own). Wine's process handle
// does not follow that program: the caller waits for what it does.
bool RunUnix(const std::string& commandLine) {
  std::wstring line(commandLine.begin(), commandLine.end());
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

// A drive letter of this Wine prefix mapped onto a folder: a link in the prefix's
// dosdevices folder, removed again at the end.
class MappedDrive {
 public:
  MappedDrive(wchar_t letter, const std::wstring& folder) {
    // C:\ is .../dosdevices/c:/, or the folder it links to, .../drive_c/.
    const std::string drive = UnixPath(L"C:\\");
    const std::string target = UnixPath(folder);
    std::string devices;
    size_t cut = drive.rfind("/dosdevices/c:");
    if (cut != std::string::npos) devices = drive.substr(0, cut) + "/dosdevices";
    cut = drive.rfind("/drive_c");
    if (devices.empty() && cut != std::string::npos) devices = drive.substr(0, cut) + "/dosdevices";
    if (devices.empty() || target.empty()) return;
    m_link = devices + "/" + static_cast<char>(letter - L'A' + 'a') + ":";
    // The arguments reach the program as they stand: no quotes, and no spaces in the paths.
    if (target.find(' ') != std::string::npos || m_link.find(' ') != std::string::npos) return;
    m_root = std::wstring(1, letter) + L":\\";
    m_linked = RunUnix("/bin/ln -s " + target + " " + m_link);
    for (int tries = 0; m_linked && !m_mapped && tries < 100; ++tries) {
      const DWORD attributes = ::GetFileAttributesW(m_root.c_str());
      m_mapped = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      if (!m_mapped) ::Sleep(50);
    }
  }
  ~MappedDrive() {
    if (!m_linked || !RunUnix("/bin/rm -f " + m_link)) return;
    for (int tries = 0; tries < 100 && ::GetFileAttributesW(m_root.c_str()) != INVALID_FILE_ATTRIBUTES; ++tries)
      ::Sleep(50);
  }
  bool Mapped() const { return m_mapped; }

 private:
  std::string m_link;
  std::wstring m_root;
  bool m_linked = false;
  bool m_mapped = false;
};

}  // namespace

// A drive letter mapped onto a scratch folder, chosen as the export folder: the export
// writes below the root without trying to make the root itself.
TEST_F(BusyTest, ExportIntoADriveRoot) {
  const std::wstring target = dir / L"drive";
  ::CreateDirectoryW(target.c_str(), nullptr);
  wchar_t letter = 0;
  const DWORD used = ::GetLogicalDrives();
  for (wchar_t c = L'Y'; c >= L'M' && !letter; --c)
    if (!(used & (1u << (c - L'A')))) letter = c;
  ASSERT_NE(letter, 0) << "no free drive letter";
  MappedDrive mapped(letter, target);
  ASSERT_TRUE(mapped.Mapped()) << "could not map a drive letter in the Wine prefix";
  const std::wstring root = std::wstring(1, letter) + L":\\";

  const Bytes png = fixtures::PngLike(30), deep = fixtures::PngLike(31);
  const std::wstring package = dir / L"p.rdb";
  fixtures::WritePackage(package, {{L"top.png", png}, {L"a\\b\\deep.png", deep}, {L"..\\up.png", png}});
  dlg.LoadPackage(package);
  ui.folderAnswers.push_back(root);
  fixtures::ClickButton(dlg.m_btnExport);

  EXPECT_EQ(fixtures::FilesBelow(target), (std::set<std::wstring>{L"top.png", L"a\\b\\deep.png"}));
  EXPECT_EQ(harness::ReadBytes(root + L"a\\b\\deep.png"), deep);
  EXPECT_EQ(harness::ReadBytes(target + L"\\top.png"), png);
  EXPECT_EQ(ui.messages, std::vector<std::wstring>{L"导出文件完成!\r\n\r\n失败: 1\r\n..\\up.png: 名称含 . 或 .. 目录"});
}

namespace {

// The real open and save dialogs, looked at from a timer inside their modal loops and
// cancelled there.
class RealFileDialogUi : public FakeUi {
 public:
  bool FileDialog(const FileDialogRequest& request, std::wstring& path) override {
    title = request.title;
    seen.clear();
    ::SetTimer(nullptr, 0, 300, &RealFileDialogUi::Look);
    return CPlatformUi::FileDialog(request, path);
  }
  static void CALLBACK Look(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = ::FindWindowW(nullptr, title.c_str());
    if (!dialog) return;  // not up yet: the timer fires again
    ::KillTimer(nullptr, id);
    ::EnumChildWindows(dialog, &RealFileDialogUi::ReadCombo, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  // The file-type box is the combo box whose items are the filter's names.
  static BOOL CALLBACK ReadCombo(HWND child, LPARAM) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"ComboBox") != 0) return TRUE;
    std::vector<std::wstring> items;
    const int count = static_cast<int>(::SendMessageW(child, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring text(static_cast<size_t>(::SendMessageW(child, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      text.resize(static_cast<size_t>(::SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]))));
      items.push_back(text);
    }
    seen.push_back(items);
    return TRUE;
  }
  static std::wstring title;
  static std::vector<std::vector<std::wstring>> seen;  // the items of every combo box
};
std::wstring RealFileDialogUi::title;
std::vector<std::vector<std::wstring>> RealFileDialogUi::seen;

bool Shows(const std::vector<std::vector<std::wstring>>& combos, const std::vector<std::wstring>& choices) {
  for (const auto& items : combos)
    if (items == choices) return true;
  return false;
}

}  // namespace

TEST(RealFileDialogs, OpenAndSaveOfferTheirFilterChoices) {
  RealFileDialogUi ui;
  TestDlg dlg;
  ASSERT_TRUE(dlg.Create(nullptr));
  harness::Pump();

  fixtures::ClickButton(dlg.m_btnOpen);
  EXPECT_TRUE(Shows(RealFileDialogUi::seen, {L"Sorv资源文件*.rdb", L"所有文件"}))
      << RealFileDialogUi::seen.size() << " combo boxes";

  harness::TempDir dir;
  const std::wstring package = dir / L"p.rdb";
  fixtures::WritePackage(package, {{L"a.png", fixtures::PngLike(12)}});
  dlg.LoadPackage(package);
  fixtures::ClickTreeItem(dlg, 0);
  fixtures::ClickButton(dlg.m_btnSave);
  EXPECT_TRUE(Shows(RealFileDialogUi::seen, {L"任意文件"})) << RealFileDialogUi::seen.size() << " combo boxes";
  EXPECT_TRUE(ui.messages.empty());
}
