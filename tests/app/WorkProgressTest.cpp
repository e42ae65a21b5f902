// Long work in the main window: counts in pane 0 while a load, a refill or an export runs,
// the window's messages handled meanwhile, an export stopped by Esc or the close box, and
// no input left over for what comes after.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/CWorkProgress.h"
#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/ImageStreams.h"

using fixtures::EntrySpec;
using harness::FakeUi;
using harness::TestDlg;

namespace {

// Every text pane 0 is given, in order, and a hook that runs after each one.
struct PaneRecorder {
  std::vector<std::wstring> texts;
  void (*after)(PaneRecorder&, const std::wstring&) = nullptr;
  HWND bar = nullptr;

  static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    PaneRecorder* self = reinterpret_cast<PaneRecorder*>(data);
    if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 0) {
      const std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      self->texts.push_back(text);
      if (self->after) self->after(*self, text);
    }
    return ::DefSubclassProc(hWnd, msg, wParam, lParam);
  }
  explicit PaneRecorder(HWND statusBar) : bar(statusBar) {
    ::SetWindowSubclass(bar, &PaneRecorder::Proc, 0x5EC0, reinterpret_cast<DWORD_PTR>(this));
  }
  ~PaneRecorder() { ::RemoveWindowSubclass(bar, &PaneRecorder::Proc, 0x5EC0); }
  bool Saw(const std::wstring& text) const {
    for (const std::wstring& t : texts)
      if (t == text) return true;
    return false;
  }
};

// The message box stand-in also notes whether input was still waiting when it opened:
// a real message box would have taken it.
class InputCheckingUi : public FakeUi {
 public:
  int ShowMessage(HWND owner, const std::wstring& text) override {
    MSG msg;
    inputWaiting.push_back(::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) ||
                           ::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    return FakeUi::ShowMessage(owner, text);
  }
  std::vector<bool> inputWaiting;
};

class WorkProgressTest : public fixtures::DialogTest<TestDlg, InputCheckingUi> {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    CWorkProgress::SetInterval(0);  // a display at every step, so a small package shows them all
  }
  void TearDown() override {
    CWorkProgress::SetInterval(CWorkProgress::kDefaultInterval);
    DialogTest::TearDown();
  }
  std::vector<EntrySpec> Entries(int count) {
    std::vector<EntrySpec> entries;
    for (int i = 0; i < count; ++i)
      entries.push_back({L"d" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i) + L".png",
                         fixtures::PngLike(16 + i)});
    return entries;
  }
};

HWND g_tree = nullptr;
HWND g_dialog = nullptr;
int g_posted = 0;

void PostKey(HWND to, WPARAM key) {
  ::PostMessageW(to, WM_KEYDOWN, key, 0x00010001);
  ::PostMessageW(to, WM_KEYUP, key, 0xC0010001);
}

}  // namespace

TEST_F(WorkProgressTest, ALoadAndARefillCountInPaneZeroAndKeepHandlingMessages) {
  const std::wstring path = dir / L"five.rdb";
  fixtures::WritePackage(path, Entries(5));
  PaneRecorder pane(dlg.m_statusBar);
  // Posted before the load: handled while it runs, when pane 0 shows its progress.
  g_dialog = dlg;
  static std::wstring seenDuring;
  seenDuring.clear();
  pane.after = [](PaneRecorder& self, const std::wstring& text) {
    if (text == L"load.. 40%") ::PostMessageW(self.bar, WM_APP + 7, 0, 0);
  };
  struct AppMessage {
    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
      if (msg == WM_APP + 7) {
        wchar_t text[64] = {};
        ::SendMessageW(hWnd, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        *reinterpret_cast<std::wstring*>(data) = text;
      }
      return ::DefSubclassProc(hWnd, msg, wParam, lParam);
    }
  };
  ::SetWindowSubclass(dlg.m_statusBar, &AppMessage::Proc, 0x5EC1, reinterpret_cast<DWORD_PTR>(&seenDuring));
  dlg.LoadPackage(path);
  ::RemoveWindowSubclass(dlg.m_statusBar, &AppMessage::Proc, 0x5EC1);

  // One step per entry (its place in the tree), counted in percent.
  const std::vector<std::wstring> expected = {L"load..",     L"load.. 0%",  L"load.. 20%", L"load.. 40%",
                                              L"load.. 60%", L"load.. 80%", L"共有文件:5"};
  std::vector<std::wstring> progress;
  for (const std::wstring& t : pane.texts)
    if (!t.empty() && (t.rfind(L"load..", 0) == 0 || t.rfind(L"共有", 0) == 0) &&
        (progress.empty() || progress.back() != t))
      progress.push_back(t);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(seenDuring, L"load.. 40%");  // the message was handled in the middle of the load
  EXPECT_EQ(pane.texts.back(), L"共有文件:5");

  // A filter change counts its own way; it ends with the counts.
  pane.texts.clear();
  pane.after = nullptr;
  fixtures::ChooseFilter(dlg, 2);
  EXPECT_TRUE(pane.Saw(L"过滤.. 0/5"));
  EXPECT_TRUE(pane.Saw(L"过滤.. 4/5"));
  EXPECT_EQ(pane.texts.back(), L"共有文件:5 过滤后:5");
}

// Esc, the close box, and the system menu's Close during an export stop it after the
// current entry; the program goes on, and the final message says how many were written.
TEST_F(WorkProgressTest, EscOrTheCloseBoxStopsAnExport) {
  const std::wstring path = dir / L"ten.rdb";
  fixtures::WritePackage(path, Entries(10));
  dlg.LoadPackage(path);
  g_tree = dlg.m_tree;
  g_dialog = dlg;
  struct Case {
    const wchar_t* what;
    void (*stop)();
  } cases[] = {
      {L"Esc", [] { PostKey(g_tree, VK_ESCAPE); PostKey(g_tree, VK_ESCAPE); PostKey(g_tree, VK_RETURN); }},
      {L"close box", [] { ::PostMessageW(g_dialog, WM_NCLBUTTONDOWN, HTCLOSE, 0); PostKey(g_tree, VK_ESCAPE); }},
      {L"Close command", [] { ::SendMessageW(g_dialog, WM_SYSCOMMAND, SC_CLOSE, 0); PostKey(g_tree, VK_ESCAPE); }},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring out = dir / (L"out" + std::to_wstring(n++));
    ::CreateDirectoryW(out.c_str(), nullptr);
    PaneRecorder pane(dlg.m_statusBar);
    static void (*stop)();
    stop = c.stop;
    pane.after = [](PaneRecorder&, const std::wstring& text) {
      if (text == L"导出.. 3/10") stop();
    };
    ui.messages.clear();
    ui.inputWaiting.clear();
    ui.folderAnswers.push_back(out + L"\\");
    fixtures::ClickButton(dlg.m_btnExport);

    EXPECT_TRUE(pane.Saw(L"导出.. 0/10")) << c.what;
    EXPECT_TRUE(pane.Saw(L"导出.. 3/10")) << c.what;
    EXPECT_FALSE(pane.Saw(L"导出.. 4/10")) << c.what;
    ASSERT_EQ(ui.messages.size(), 1u) << c.what;
    EXPECT_EQ(ui.messages[0], L"导出已停止!\r\n\r\n已写入文件: 3 / 10") << c.what;
    EXPECT_FALSE(ui.inputWaiting[0]) << c.what;  // nothing left for the message box
    // Exactly the first three entries were written.
    int files = 0;
    for (int i = 0; i < 10; ++i)
      files += harness::FileExists(out + L"\\d" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i) + L".png");
    EXPECT_EQ(files, 3) << c.what;
    EXPECT_TRUE(harness::FileExists(out + L"\\d2\\f2.png")) << c.what;
    // The program goes on: the window is there, its commands enabled, pane 0 as before.
    EXPECT_TRUE(::IsWindow(dlg)) << c.what;
    EXPECT_TRUE(::IsWindowEnabled(dlg.m_btnExport)) << c.what;
    EXPECT_EQ(dlg.m_statusBar.GetPaneText(0), L"共有文件:10") << c.what;
    EXPECT_FALSE(dlg.m_bBusy);
  }

  // Left alone, the export runs to its end.
  const std::wstring all = dir / L"all";
  ::CreateDirectoryW(all.c_str(), nullptr);
  ui.messages.clear();
  ui.folderAnswers.push_back(all + L"\\");
  fixtures::ClickButton(dlg.m_btnExport);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], L"导出文件完成!");
}

// Input that arrives while a load runs is neither handled meanwhile nor replayed after it.
TEST_F(WorkProgressTest, InputDuringALoadIsDropped) {
  const std::wstring first = dir / L"first.rdb", second = dir / L"second.rdb";
  fixtures::WritePackage(first, Entries(6));
  fixtures::WritePackage(second, Entries(8));
  dlg.LoadPackage(first);
  fixtures::ClickTreeItem(dlg, 2);
  ASSERT_EQ(dlg.m_editName.GetWindowText(), L"d2\\f2.png");

  PaneRecorder pane(dlg.m_statusBar);
  g_tree = dlg.m_tree;
  pane.after = [](PaneRecorder&, const std::wstring& text) {
    // A click on the first item and a key press, while the tree is being filled.
    if (text == L"load.. 60%") {
      ::PostMessageW(g_tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
      ::PostMessageW(g_tree, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
      PostKey(g_tree, VK_DOWN);
    }
  };
  dlg.LoadPackage(second);
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
  harness::Pump();
  EXPECT_EQ(dlg.m_tree.GetSelectedItem(), nullptr);
  EXPECT_EQ(dlg.m_editName.GetWindowText(), L"");
  EXPECT_EQ(dlg.m_tree.GetCount(), 8u);
}

namespace {

// A JPEG's segments after its start-of-image marker, with the first one replaced.
fixtures::Bytes WithFirstSegment(const fixtures::Bytes& jfif, const fixtures::Bytes& segment) {
  // FF D8, then FF E0 with its length: the JFIF segment the encoder wrote.
  if (jfif.size() < 6 || jfif[2] != 0xFF || jfif[3] != 0xE0) return {};
  const size_t app0 = 4 + (static_cast<size_t>(jfif[4]) << 8 | jfif[5]);
  fixtures::Bytes out(jfif.begin(), jfif.begin() + 2);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jfif.begin() + static_cast<long>(app0), jfif.end());
  return out;
}

// An icon or cursor directory holding the same 32-bit picture in two sizes.
fixtures::Bytes TwoSizeIcon(uint16_t type, uint32_t argb) {
  fixtures::Bytes out;
  auto put16 = [&](uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  const int sizes[2] = {16, 32};
  put16(0), put16(type), put16(2);
  uint32_t offset = 6 + 2 * 16;
  for (int s : sizes) {
    const uint32_t bytes = 40 + s * s * 4 + (s + 31) / 32 * 4 * s;
    out.push_back(static_cast<uint8_t>(s)), out.push_back(static_cast<uint8_t>(s)), out.push_back(0), out.push_back(0);
    put16(type == 1 ? 1 : 0), put16(type == 1 ? 32 : 0);  // planes and depth, or a cursor's hot spot
    put32(bytes), put32(offset);
    offset += bytes;
  }
  for (int s : sizes) {
    put32(40), put32(s), put32(2 * s), put16(1), put16(32);
    for (int i = 0; i < 6; ++i) put32(0);
    for (int i = 0; i < s * s; ++i) put32(argb);
    out.insert(out.end(), static_cast<size_t>((s + 31) / 32 * 4 * s), 0);
  }
  return out;
}

// The preview's centre pixel (0xRRGGBB) as it paints into a memory bitmap.
uint32_t PreviewCentre(CImageCtrl& preview) {
  RECT client = {};
  ::GetClientRect(preview, &client);
  const int w = client.right, h = client.bottom;
  const std::vector<uint32_t> px = fixtures::PaintedPixels(w, h, [&](HDC dc) { preview.Paint(dc); });
  return px.empty() ? 0 : px[static_cast<size_t>(h / 2) * w + w / 2];
}

// Within a few steps per channel: a JPEG does not keep a colour exactly.
bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 8 || d < -8) return false;
  }
  return true;
}

}  // namespace

// Camera pictures (Exif), JPEGs without a JFIF segment, icons and cursors of several sizes:
// listed, previewed with their pixels, and saved from behind a wrapper with their type.
TEST_F(WorkProgressTest, RealJpegsAndIconsOfSeveralSizesPreview) {
  const uint32_t kBlue = 0x2040C0;
  const fixtures::Bytes jfif = testimg::Encode(L"image/jpeg", 48, 48, testimg::Solid(48, 48, 0xFF000000 | kBlue));
  ASSERT_GT(jfif.size(), 20u);
  ASSERT_EQ(jfif[3], 0xE0);
  // APP1 "Exif" with an empty little-endian directory, as cameras start their files.
  const fixtures::Bytes exif = WithFirstSegment(
      jfif, {0xFF, 0xE1, 0x00, 0x16, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const fixtures::Bytes tablesFirst = WithFirstSegment(jfif, {});  // FF D8 FF DB...
  ASSERT_EQ(exif[3], 0xE1);
  ASSERT_EQ(tablesFirst[3], 0xDB);
  const std::vector<EntrySpec> entries = {
      {L"photo.jpg", exif},
      {L"plain.jpg", tablesFirst},
      {L"icons\\app.ico", TwoSizeIcon(1, 0xFF000000 | kBlue)},
      {L"wrapped\\photo.gft", exif, true},
      {L"wrapped\\app.gft", TwoSizeIcon(1, 0xFF000000 | kBlue), true},
  };
  const std::wstring path = dir / L"real.rdb";
  fixtures::WritePackage(path, entries);
  dlg.LoadPackage(path);
  fixtures::ChooseFilter(dlg, 3);
  EXPECT_EQ(fixtures::TreeTexts(dlg.m_tree), (std::vector<std::wstring>{L"photo.jpg", L"plain.jpg"}));
  fixtures::ChooseFilter(dlg, 0);
  // From the last up: focus alone selects the first item, and a click on the selected item
  // is no change.
  for (int i = 4; i >= 0; --i) {
    fixtures::ClickTreeItem(dlg, i);
    const uint32_t centre = PreviewCentre(dlg.m_preview);
    EXPECT_TRUE(Near(centre, kBlue)) << std::string(entries[i].name.begin(), entries[i].name.end()) << " shows "
                                     << std::hex << centre;
  }
  // The cursor form of the directory is recognised, streamed whole and drawn like an icon.
  const std::wstring cursor = dir / L"cursor.rdb";
  fixtures::WritePackage(cursor, {{L"hand.cur", TwoSizeIcon(2, 0xFF000000 | kBlue), true}});
  dlg.LoadPackage(cursor);
  ASSERT_EQ(dlg.m_resFile.Entries().size(), 1u);
  fixtures::ChooseFilter(dlg, 0);
  {
    const CComPtr<IStream> stream = dlg.m_resFile.CreateStream(&dlg.m_resFile.Entries()[0]);
    ASSERT_NE(stream.Get(), nullptr);
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, TwoSizeIcon(2, 0xFF000000 | kBlue).size());
  }
  fixtures::ClickTreeItem(dlg, 0);
  EXPECT_EQ(PreviewCentre(dlg.m_preview), kBlue);

  // Exported from behind their wrappers, they get the type's extension.
  dlg.LoadPackage(path);
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  ui.folderAnswers.push_back(out + L"\\");
  fixtures::ClickButton(dlg.m_btnExport);
  EXPECT_EQ(harness::ReadBytes(out + L"\\wrapped\\photo.gft.jpg"), exif);
  EXPECT_EQ(harness::ReadBytes(out + L"\\wrapped\\app.gft.ico"), TwoSizeIcon(1, 0xFF000000 | kBlue));
}
