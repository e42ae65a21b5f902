// The folder chooser: its browse record, its callbacks against a window that records what
// they send, the path shortening with a real device context, and a real browse window.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/CFolderDlg.h"
#include "tests/app/MainDialogHarness.h"

namespace {

class TestFolderDlg : public CFolderDlg {
 public:
  using CFolderDlg::CFolderDlg;
  using CFolderDlg::BrowseCallbackProc;
  using CFolderDlg::DispatchBrowseEvent;
};

// A window standing in for the browse window: keeps the messages the chooser sends it.
struct Sent {
  UINT msg;
  WPARAM wParam;
  std::wstring text;  // the text behind lParam for the selection and status messages
  LPARAM lParam;
};
std::vector<Sent> g_sent;

LRESULT CALLBACK RecorderProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BFFM_ENABLEOK || msg == BFFM_SETSTATUSTEXTW || msg == BFFM_SETSELECTIONW) {
    Sent s{msg, wParam, L"", lParam};
    if (msg != BFFM_ENABLEOK && lParam) s.text = reinterpret_cast<LPCWSTR>(lParam);
    g_sent.push_back(s);
    return 0;
  }
  return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

class Recorder {
 public:
  explicit Recorder(int width) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &RecorderProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SorvResBrowseRecorder";
    ::RegisterClassW(&wc);
    m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, width, 200, nullptr, nullptr,
                               wc.hInstance, nullptr);
    g_sent.clear();
  }
  ~Recorder() { ::DestroyWindow(m_hWnd); }
  HWND hWnd() const { return m_hWnd; }

 private:
  HWND m_hWnd;
};

struct Pidl {
  PIDLIST_ABSOLUTE p = nullptr;
  ~Pidl() { ::CoTaskMemFree(p); }
};

// A memory DC with the fixed-pitch system font: every character is `width` pixels wide.
class FixedPitchDC {
 public:
  FixedPitchDC() {
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    m_old = ::SelectObject(m_dc, ::GetStockObject(SYSTEM_FIXED_FONT));
    SIZE one = {}, ten = {};
    ::GetTextExtentPoint32W(m_dc, L"W", 1, &one);
    ::GetTextExtentPoint32W(m_dc, L"W.\\iiiiiii", 10, &ten);
    width = one.cx;
    fixed = ten.cx == 10 * one.cx;
  }
  ~FixedPitchDC() {
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
  }
  operator HDC() const { return m_dc; }
  int width = 0;
  bool fixed = false;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

}  // namespace

TEST(FolderDlg, BrowseRecordAndStartingFolder) {
  static const wchar_t kPrompt[] = L"请选择导出目录...";
  CFolderDlg chooser(kPrompt);
  const BROWSEINFOW& bi = chooser.GetBrowseInfo();
  EXPECT_EQ(bi.hwndOwner, nullptr);
  EXPECT_EQ(bi.pidlRoot, nullptr);
  EXPECT_EQ(bi.pszDisplayName, nullptr);
  EXPECT_EQ(bi.lpszTitle, kPrompt);
  EXPECT_EQ(bi.ulFlags, 0x50u);
  EXPECT_NE(bi.lpfn, nullptr);
  EXPECT_EQ(bi.lParam, reinterpret_cast<LPARAM>(&chooser));
  EXPECT_EQ(bi.iImage, 0);
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(chooser.GetFolderPath(), desktop);
  EXPECT_EQ(CFolderDlg().GetBrowseInfo().lpszTitle, nullptr);
}

TEST(FolderDlg, CallbacksPreselectEnableOkAndSendTheStatusText) {
  harness::TempDir dir;
  const std::wstring folder = dir.Path();
  Recorder wide(4000);
  TestFolderDlg chooser(L"prompt");
  const LPARAM self = reinterpret_cast<LPARAM>(&chooser);

  // Initialised with a folder: it is preselected, and the object attached to the window.
  chooser.SetFolderPath(folder);
  EXPECT_EQ(TestFolderDlg::BrowseCallbackProc(wide.hWnd(), BFFM_INITIALIZED, 0, self), 0);
  EXPECT_EQ(chooser.GetHwnd(), wide.hWnd());
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, UINT(BFFM_SETSELECTIONW));
  EXPECT_EQ(g_sent[0].wParam, WPARAM(TRUE));
  EXPECT_EQ(g_sent[0].text, folder);

  // Without one: OK starts disabled.
  g_sent.clear();
  chooser.SetFolderPath(L"");
  TestFolderDlg::BrowseCallbackProc(wide.hWnd(), BFFM_INITIALIZED, 0, self);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, UINT(BFFM_ENABLEOK));
  EXPECT_EQ(g_sent[0].lParam, 0);

  // A file-system folder: OK enabled, its path as status text (it fits).
  Pidl real;
  ASSERT_EQ(::SHParseDisplayName(folder.c_str(), nullptr, &real.p, 0, nullptr), S_OK);
  g_sent.clear();
  EXPECT_EQ(TestFolderDlg::BrowseCallbackProc(wide.hWnd(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(real.p), self), 0);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].msg, UINT(BFFM_ENABLEOK));
  EXPECT_EQ(g_sent[0].lParam, 1);
  EXPECT_EQ(g_sent[1].msg, UINT(BFFM_SETSTATUSTEXTW));
  EXPECT_EQ(g_sent[1].text, folder);

  // A virtual item (no file-system path): OK disabled, an empty status text.
  Pidl computer;
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer.p), S_OK);
  g_sent.clear();
  TestFolderDlg::BrowseCallbackProc(wide.hWnd(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(computer.p), self);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].lParam, 0);
  EXPECT_EQ(g_sent[1].text, L"");

  // A window narrower than the path: with room for "...", the last folder and six
  // characters, the text keeps five of them (one less than the longest front that fits).
  const std::wstring tail = folder.substr(folder.rfind(L'\\'));
  int room = 0;
  {
    HDC dc = ::GetDC(wide.hWnd());
    SIZE size = {};
    const std::wstring fits = folder.substr(0, 6) + L"..." + tail;
    ::GetTextExtentPoint32W(dc, fits.c_str(), static_cast<int>(fits.size()), &size);
    ::ReleaseDC(wide.hWnd(), dc);
    room = size.cx;
  }
  Recorder narrow(room);
  g_sent.clear();
  TestFolderDlg::BrowseCallbackProc(narrow.hWnd(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(real.p), self);
  EXPECT_EQ(chooser.GetHwnd(), narrow.hWnd());  // re-attached to the new window
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].lParam, 1);
  EXPECT_EQ(g_sent[1].text, folder.substr(0, 5) + L"..." + tail);

  // The other callbacks: a rejected typed name keeps the browser open.
  struct Case {
    UINT msg;
    int result;
  } cases[] = {{BFFM_VALIDATEFAILEDW, 1}, {BFFM_VALIDATEFAILEDA, 0}, {BFFM_IUNKNOWN, 0}, {77, 0}};
  for (const Case& c : cases) {
    g_sent.clear();
    EXPECT_EQ(chooser.DispatchBrowseEvent(c.msg, reinterpret_cast<LPARAM>(L"bad name")), c.result) << c.msg;
    EXPECT_TRUE(g_sent.empty());
  }
  chooser.Detach();
}

TEST(FolderDlg, FitPathToWidthWithARealDeviceContext) {
  FixedPitchDC dc;
  ASSERT_TRUE(dc.fixed) << "the system fixed font is not fixed-pitch here";
  const int c = dc.width;
  struct Case {
    std::wstring text;
    int columns;  // available width in characters
    std::wstring result;
    BOOL shortened;
  } cases[] = {
      // 30 characters, tail "\Exports" of 8, into 20: front part of 8, "...", tail.
      {L"D:\\Program Data\\Skins1\\Exports", 20, L"D:\\Progr...\\Exports", TRUE},
      {L"D:\\Program Data\\Skins1\\Exports", 30, L"D:\\Program Data\\Skins1\\Exports", FALSE},
      {L"abcdefghij", 8, L"abcd...", TRUE},        // no "\" after the first character
      {L"\\abcdefghij", 8, L"\\abc...", TRUE},
      {L"abcdef\\xyz", 8, L"", FALSE},             // no front part of two passes
  };
  for (const Case& k : cases) {
    RECT rect = {10, 0, 10 + k.columns * c, 20};
    std::wstring text = k.text;
    EXPECT_EQ(CFolderDlg::FitPathToWidth(&rect, text, dc), k.shortened) << k.columns;
    EXPECT_EQ(text, k.result) << k.columns;
  }
  std::wstring text = L"D:\\Program Data\\Skins1\\Exports";
  EXPECT_FALSE(CFolderDlg::FitPathToWidth(nullptr, text, dc));  // no rectangle
  EXPECT_EQ(text, L"D:\\Program Data\\Skins1\\Exports");
}

namespace {

// Runs `action` from a thread timer inside the next modal loop, once.
struct Later {
  static void (*action)();
  static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    action();
  }
  static void Arm(void (*fn)(), UINT ms = 300) {
    action = fn;
    ::SetTimer(nullptr, 0, ms, &Later::Fire);
  }
};
void (*Later::action)() = nullptr;

struct BrowseSeen {
  HWND browse = nullptr;
  bool ownerEnabled = true;
  bool okEnabled = false;
};
BrowseSeen g_seen;
TestFolderDlg* g_chooser = nullptr;
HWND g_owner = nullptr;
UINT g_answer = IDOK;

// Set by a test to have the browser select this item before it is answered.
PCIDLIST_ABSOLUTE g_select = nullptr;

void LookAndAnswer() {
  if (g_select && g_chooser->GetHwnd()) {
    ::SendMessageW(g_chooser->GetHwnd(), BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(g_select));
    harness::Pump();
  }
  g_seen.browse = g_chooser->GetHwnd();
  g_seen.ownerEnabled = ::IsWindowEnabled(g_owner) != FALSE;
  HWND ok = g_seen.browse ? ::GetDlgItem(g_seen.browse, IDOK) : nullptr;
  g_seen.okEnabled = ok && ::IsWindowEnabled(ok);
  if (g_seen.browse) ::PostMessageW(g_seen.browse, WM_COMMAND, g_answer, 0);
}

}  // namespace

// The shell's own browser under the modal run; the timer looks at it and answers.
TEST(FolderDlg, ModalRunWithARealBrowseWindow) {
  harness::FakeUi ui;
  harness::TestDlg owner;
  ASSERT_TRUE(owner.Create(nullptr));
  harness::Pump();
  ::SetFocus(owner.m_tree);
  // A plain folder on the drive: the browser's tree lists it (it hides the profile's Temp).
  struct Folder {
    std::wstring path = L"C:\\sorvres-chooser-" + std::to_wstring(::GetCurrentProcessId());
    Folder() { ::CreateDirectoryW(path.c_str(), nullptr); }
    ~Folder() { ::RemoveDirectoryW(path.c_str()); }
    std::wstring Path() const { return path; }
  } dir;

  TestFolderDlg chooser(L"请选择导出目录...", owner);
  g_chooser = &chooser;
  g_owner = owner;

  // Preselected folder, confirmed: IDOK and the folder with one "\" appended.
  chooser.SetFolderPath(dir.Path());
  g_answer = IDOK;
  g_seen = BrowseSeen();
  Later::Arm(&LookAndAnswer);
  const INT_PTR confirmed = chooser.DoModal();
  if (!g_seen.browse) GTEST_SKIP() << "the folder browser did not call back here";
  EXPECT_FALSE(g_seen.ownerEnabled);
  EXPECT_TRUE(g_seen.okEnabled);
  EXPECT_EQ(confirmed, IDOK);
  EXPECT_EQ(chooser.GetFolderPath(), dir.Path() + L"\\");
  EXPECT_EQ(chooser.GetHwnd(), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(owner));
  EXPECT_EQ(::GetFocus(), owner.m_tree.GetHwnd());
  EXPECT_FALSE(::IsWindow(g_seen.browse));

  // A drive root already ends with "\": none is added.
  chooser.SetFolderPath(L"C:\\");
  g_seen = BrowseSeen();
  Later::Arm(&LookAndAnswer);
  EXPECT_EQ(chooser.DoModal(), IDOK);
  EXPECT_EQ(chooser.GetFolderPath(), L"C:\\");

  // Cancelled: IDCANCEL, and the folder path keeps its value.
  chooser.SetFolderPath(dir.Path());
  g_answer = IDCANCEL;
  g_seen = BrowseSeen();
  Later::Arm(&LookAndAnswer);
  EXPECT_EQ(chooser.DoModal(), IDCANCEL);
  EXPECT_EQ(chooser.GetFolderPath(), dir.Path());
  EXPECT_TRUE(::IsWindowEnabled(owner));

  // A virtual item confirmed (OK is disabled for it; the command comes all the same): no
  // file-system path, so IDCANCEL and an empty folder path.
  Pidl computer;
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer.p), S_OK);
  chooser.SetFolderPath(dir.Path());
  g_select = computer.p;
  g_answer = IDOK;
  g_seen = BrowseSeen();
  Later::Arm(&LookAndAnswer);
  EXPECT_EQ(chooser.DoModal(), IDCANCEL);
  g_select = nullptr;
  EXPECT_EQ(chooser.GetFolderPath(), L"");
  EXPECT_TRUE(::IsWindowEnabled(owner));
}

namespace {

// Types into the real browser's edit box and presses Enter there, as a user does; then
// (from a second timer) notes whether the browser is still open and cancels it if so.
std::wstring g_typed;
bool g_stillOpen = false;
HWND g_browse = nullptr;

void CancelIfOpen() {
  g_stillOpen = g_browse && ::IsWindow(g_browse) && ::IsWindowVisible(g_browse);
  if (g_stillOpen) ::PostMessageW(g_browse, WM_COMMAND, IDCANCEL, 0);
}

void TypeAndEnter() {
  g_browse = g_chooser->GetHwnd();
  HWND edit = g_browse ? ::FindWindowExW(g_browse, nullptr, L"Edit", nullptr) : nullptr;
  if (!edit) {
    if (g_browse) ::PostMessageW(g_browse, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  ::SetFocus(edit);
  ::SetWindowTextW(edit, g_typed.c_str());
  ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
  Later::Arm(&CancelIfOpen, 600);
}

}  // namespace

// The browser of the platform under test ignores a typed path; the chooser reads it itself.
TEST(FolderDlg, ATypedFolderInARealBrowseWindow) {
  harness::FakeUi ui;
  harness::TestDlg owner;
  ASSERT_TRUE(owner.Create(nullptr));
  harness::Pump();
  const std::wstring base = L"C:\\sorvres-typed-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(base.c_str(), nullptr);
  ::CreateDirectoryW((base + L"\\sub").c_str(), nullptr);
  ::CreateDirectoryW((base + L"\\other").c_str(), nullptr);
  harness::WriteBytes(base + L"\\file.txt", {'x'});
  const std::wstring baseName = base.substr(3);

  TestFolderDlg chooser(L"请选择导出目录...", owner);
  g_chooser = &chooser;
  struct Case {
    std::wstring typed;
    INT_PTR result;
    std::wstring folder;   // the answer on IDOK
    std::wstring message;  // the message that keeps the browser open, if any
  } cases[] = {
      {base + L"\\other", IDOK, base + L"\\other\\", L""},                         // existing, absolute
      {L"sub", IDOK, base + L"\\sub\\", L""},                                      // relative to the selection
      {L"..\\" + baseName + L"\\other\\", IDOK, base + L"\\other\\", L""},
      {baseName, IDOK, base + L"\\", L""},                                         // the selection's own name
      {base + L"\\new-folder", IDCANCEL, L"", L"目录不存在!\r\n\r\n" + base + L"\\new-folder"},
      {L"missing\\deeper", IDCANCEL, L"", L"目录不存在!\r\n\r\n" + base + L"\\missing\\deeper"},
      {base + L"\\file.txt", IDCANCEL, L"", L"这不是目录!\r\n\r\n" + base + L"\\file.txt"},
      {L"bad|name", IDCANCEL, L"", L"无法识别的目录!\r\n\r\nbad|name"},
  };
  size_t ran = 0;
  for (const Case& c : cases) {
    chooser.SetFolderPath(base);
    ui.messages.clear();
    g_typed = c.typed;
    g_browse = nullptr;
    g_stillOpen = false;
    Later::Arm(&TypeAndEnter, 500);
    const INT_PTR result = chooser.DoModal();
    if (!g_browse) continue;  // no callback: nothing to look at
    ++ran;
    const std::string what(c.typed.begin(), c.typed.end());
    EXPECT_EQ(result, c.result) << what;
    if (c.result == IDOK) {
      EXPECT_EQ(chooser.GetFolderPath(), c.folder) << what;
      EXPECT_TRUE(ui.messages.empty()) << what;
      EXPECT_FALSE(g_stillOpen) << what;
    } else {
      EXPECT_TRUE(g_stillOpen) << what;  // kept open until the second timer cancelled it
      ASSERT_EQ(ui.messages.size(), 1u) << what;
      EXPECT_EQ(ui.messages[0], c.message);
      EXPECT_EQ(chooser.GetFolderPath(), base) << what;  // cancelled: unchanged
    }
  }
  // Nothing was made by any of it.
  EXPECT_EQ(::GetFileAttributesW((base + L"\\new-folder").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW((base + L"\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW((base + L"\\file.txt").c_str());
  ::RemoveDirectoryW((base + L"\\sub").c_str());
  ::RemoveDirectoryW((base + L"\\other").c_str());
  ::RemoveDirectoryW(base.c_str());
  if (ran == 0) GTEST_SKIP() << "the folder browser did not call back here";
  EXPECT_EQ(ran, sizeof(cases) / sizeof(cases[0]));
}

// The last export folder, deep on the drive that maps the host's file system, and given as
// the chooser hands it back (ending with "\") or without the "\": the next run starts with
// that folder selected, so that OK alone exports there again.
TEST(FolderDlg, StartsAtTheLastFolderOnTheZDrive) {
  harness::FakeUi ui;
  harness::TestDlg owner;
  ASSERT_TRUE(owner.Create(nullptr));
  harness::Pump();
  const std::wstring base = L"Z:\\tmp\\sorvres-chooser.z-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring mid = base + L"\\out\\mid";
  ::CreateDirectoryW(base.c_str(), nullptr);
  ::CreateDirectoryW((base + L"\\out").c_str(), nullptr);
  ASSERT_TRUE(::CreateDirectoryW(mid.c_str(), nullptr));

  TestFolderDlg chooser(L"请选择导出目录...", owner);
  g_chooser = &chooser;
  g_owner = owner;
  g_answer = IDOK;
  size_t ran = 0;
  for (const std::wstring& start : {mid + L"\\", mid}) {
    chooser.SetFolderPath(start);
    g_seen = BrowseSeen();
    // Answered when a person could: the browser has had a moment to settle.
    Later::Arm(&LookAndAnswer, 1500);
    const INT_PTR result = chooser.DoModal();
    if (!g_seen.browse) continue;
    ++ran;
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(chooser.GetFolderPath(), mid + L"\\") << std::string(start.begin(), start.end());
  }
  ::RemoveDirectoryW(mid.c_str());
  ::RemoveDirectoryW((base + L"\\out").c_str());
  ::RemoveDirectoryW(base.c_str());
  if (ran == 0) GTEST_SKIP() << "the folder browser did not call back here";
}
