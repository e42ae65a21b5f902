// The main window from its real template, driven with real messages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "app/CAboutDlg.h"
#include "app/FixedPlacement.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/WindowShot.h"
#include "resources/resource.h"

using harness::ChildRect;
using harness::ClientSize;
using harness::FakeUi;
using harness::TestDlg;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(nullptr));
    harness::Pump();
  }
  FakeUi ui;
  TestDlg dlg;
};

// The widths of the status bar's parts as the control itself holds them; a last part that
// runs to the bar's right end counts to there.
std::vector<int> BarPartWidths(HWND bar) {
  int edges[8] = {};
  const int count = static_cast<int>(::SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
  RECT client = {};
  ::GetClientRect(bar, &client);
  std::vector<int> widths;
  int left = 0;
  for (int i = 0; i < count && i < 8; ++i) {
    const int right = edges[i] < 0 ? client.right : edges[i];
    widths.push_back(right - left);
    left = right;
  }
  return widths;
}

std::wstring MenuText(HMENU menu, int index) {
  wchar_t text[128] = {};
  ::GetMenuStringW(menu, static_cast<UINT>(index), text, 128, MF_BYPOSITION);
  return text;
}

// Runs `action` from a thread timer inside the next modal loop, once.
struct TimerAction {
  static void (*action)();
  static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    action();
  }
  static void Arm(void (*fn)()) {
    action = fn;
    ::SetTimer(nullptr, 0, 200, &TimerAction::Fire);
  }
};
void (*TimerAction::action)() = nullptr;

}  // namespace

TEST_F(MainWindowTest, StartsWithTheFilterTheEmptyPanesAndFocusInThePathBox) {
  // The texts as the user reads them, written out here, not taken from the program's table.
  const wchar_t* const kTexts[10] = {
      L"过滤:所有文件(*.*)",   L"过滤:图片文件(*.png;*.jpg;*.bmp;*.ico;*.gft)",
      L"过滤:PNG图片(*.png;)", L"过滤:JPG图片(*.jpg;)",
      L"过滤:BMP图片(*.bmp)",  L"过滤:GFT图片(*.gft)",
      L"过滤:ICO图标(*.ico)",  L"过滤:XML文件(*.xml)",
      L"过滤:GMD文件(*.gmd)",  L"过滤:LUA文件(*.lua)",
  };
  ASSERT_EQ(dlg.m_filter.GetCount(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(dlg.m_filter.GetLBText(i), kTexts[i]) << i;
  EXPECT_EQ(dlg.m_filter.GetCurSel(), 0);
  EXPECT_EQ(::GetFocus(), dlg.m_editPath.GetHwnd());

  ASSERT_EQ(dlg.m_statusBar.GetPaneCount(), 2);
  EXPECT_EQ(dlg.m_statusBar.GetDlgCtrlID(), 59393);
  EXPECT_EQ(dlg.m_statusBar.GetPaneText(0), L"");
  EXPECT_EQ(dlg.m_statusBar.GetPaneText(1), L"");
  EXPECT_EQ(dlg.m_statusBar.GetPaneId(0), 101u);
  EXPECT_EQ(dlg.m_statusBar.GetPaneId(1), 102u);
  EXPECT_EQ(dlg.m_statusBar.GetPaneWidth(1), 170);
  EXPECT_EQ(BarPartWidths(dlg.m_statusBar), (std::vector<int>{ClientSize(dlg).cx - 170, 170}));
  EXPECT_EQ(::GetParent(dlg.m_link), dlg.m_statusBar.GetHwnd());

  wchar_t title[64] = {};
  ::GetWindowTextW(dlg, title, 64);
  EXPECT_STREQ(title, L"Sorv资源文件读取 V1.0");
  // The three framed boxes lose the sunken edge and get a plain border.
  for (CWindow* w : {static_cast<CWindow*>(&dlg.m_preview), static_cast<CWindow*>(&dlg.m_editPath),
                     static_cast<CWindow*>(&dlg.m_editName)}) {
    EXPECT_FALSE(w->GetExStyle() & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(w->GetStyle() & WS_BORDER);
  }
  EXPECT_TRUE(dlg.m_preview.GetStyle() & SS_NOTIFY);
  EXPECT_TRUE(dlg.GetExStyle() & WS_EX_ACCEPTFILES);
  EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), dlg.m_hIcon);
  EXPECT_NE(dlg.m_hIcon, nullptr);
}

TEST_F(MainWindowTest, SystemMenuEndsWithASeparatorAndTheAboutItem) {
  HMENU menu = ::GetSystemMenu(dlg, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = ::GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  EXPECT_EQ(::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(MenuText(menu, count - 1), L"关于(&A)...");
  EXPECT_EQ(::GetMenuItemID(menu, count - 1), 16u);
}

TEST_F(MainWindowTest, FixedPlacementAtSeveralSizes) {
  // The first size is below the minimum: whatever client area the window gets, the
  // controls follow it.
  const SIZE sizes[] = {{300, 200}, {600, 400}, {1000, 700}, {1200, 900}};
  for (SIZE size : sizes) {
    harness::SetClientSize(dlg, size.cx, size.cy);
    const SIZE client = ClientSize(dlg);
    if (size.cx >= 480) ASSERT_EQ(client.cx, size.cx);
    RECT bar = {};
    dlg.m_statusBar.GetWindowRect(&bar);
    const int s = bar.bottom - bar.top;
    EXPECT_GT(s, 10);
    // The bar lies along the bottom of the client area, full width.
    RECT barInClient = ChildRect(dlg.m_statusBar);
    EXPECT_EQ(barInClient.bottom, client.cy);
    EXPECT_EQ(barInClient.right - barInClient.left, client.cx);
    EXPECT_EQ(BarPartWidths(dlg.m_statusBar), (std::vector<int>{client.cx - 170, 170}));

    for (const sorv::app::ControlRect& want : sorv::app::FixedPlacement(client.cx, client.cy, s)) {
      HWND control = want.id == IDC_LINK ? dlg.m_link.GetHwnd() : ::GetDlgItem(dlg, want.id);
      ASSERT_NE(control, nullptr) << want.id;
      RECT got = ChildRect(control);
      if (want.id == IDC_FILTER) {
        // A drop-down list's window is the closed box; its position and width are ours.
        EXPECT_EQ(got.left, want.x) << want.id;
        EXPECT_EQ(got.top, want.y) << want.id;
        EXPECT_EQ(got.right - got.left, want.width) << want.id;
        continue;
      }
      EXPECT_EQ(got.left, want.x) << want.id << " at " << client.cx << "x" << client.cy;
      EXPECT_EQ(got.top, want.y) << want.id;
      EXPECT_EQ(got.right - got.left, want.width) << want.id;
      EXPECT_EQ(got.bottom - got.top, want.height) << want.id;
    }
    // The tree keeps 200 pixels; the preview takes the rest.
    EXPECT_EQ(ChildRect(dlg.m_tree).right - ChildRect(dlg.m_tree).left, 200);
    EXPECT_EQ(ChildRect(dlg.m_preview).right, client.cx - 8);
  }
}

// Every window of the dialog carries a layout node: nine controls and the status bar below
// the root (the link moved into the bar), and the carried description leaves the window at
// its template's size.
TEST_F(MainWindowTest, LayoutRootCoversEveryWindowAndKeepsTheTemplateSize) {
  EXPECT_EQ(dlg.m_layout.window, dlg.GetHwnd());
  ASSERT_EQ(dlg.m_layout.children.size(), 9u);
  size_t barChildren = 0;
  for (const auto& child : dlg.m_layout.children)
    if (child->window == dlg.m_statusBar.GetHwnd()) barChildren = child->children.size();
  EXPECT_EQ(barChildren, 1u);

  CDialog plain(IDD_SORVRES_DIALOG);
  ASSERT_TRUE(plain.Create(nullptr));
  RECT a = {}, b = {};
  ::GetWindowRect(dlg, &a);
  ::GetWindowRect(plain, &b);
  EXPECT_EQ(a.right - a.left, b.right - b.left);
  EXPECT_EQ(a.bottom - a.top, b.bottom - b.top);
}

TEST_F(MainWindowTest, MinimumTrackingSizeIs480By350) {
  MINMAXINFO info = {};
  dlg.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 480);
  EXPECT_EQ(info.ptMinTrackSize.y, 350);
}

TEST_F(MainWindowTest, LinkOpensOnlyTargetsWithADotAfterTheFirstCharacter) {
  struct Case {
    const wchar_t* url;
    bool opens;
  } cases[] = {
      {L"https://sorvres.example/", true}, {L"a.b", true}, {L".example", false},
      {L"", false},                          {L"nodot", false},
  };
  for (const Case& c : cases) {
    ui.executed.clear();
    NMLINK link = {};
    link.hdr.hwndFrom = dlg.m_link;
    link.hdr.idFrom = IDC_LINK;
    link.hdr.code = NM_CLICK;
    lstrcpynW(link.item.szUrl, c.url, L_MAX_URL_LENGTH);
    // The link sits in the status bar: the bar's notification goes back to the link.
    const LRESULT result = ::SendMessageW(dlg.m_statusBar, WM_NOTIFY, IDC_LINK, reinterpret_cast<LPARAM>(&link));
    EXPECT_EQ(result, 0);
    if (c.opens) {
      ASSERT_EQ(ui.executed.size(), 1u) << c.url;
      EXPECT_EQ(ui.executed[0], std::wstring(L"Open ") + c.url + L" 5");
    } else {
      EXPECT_TRUE(ui.executed.empty()) << c.url;
    }
  }
}

TEST_F(MainWindowTest, SystemCommandsWhoseIdMasksTo16OpenTheAboutBox) {
  for (WPARAM command : {WPARAM(16), WPARAM(16 | 0x7)}) {
    static bool seen;
    seen = false;
    TimerAction::Arm([] {
      HWND about = ::FindWindowW(nullptr, L"关于");
      seen = about != nullptr;
      if (about) {
        wchar_t text[128] = {};
        ::GetWindowTextW(::GetDlgItem(about, IDC_LINK), text, 128);
        seen = seen && text[0] != 0;
        ::PostMessageW(about, WM_COMMAND, IDOK, 0);
      }
    });
    dlg.SendMessage(WM_SYSCOMMAND, command, 0);
    EXPECT_TRUE(seen) << command;
    EXPECT_EQ(::FindWindowW(nullptr, L"关于"), nullptr);
  }
}

// The modal run is the program's message loop: Esc ends it as Cancel, Enter in the path
// box as OK.
TEST(MainWindowModal, EscAndEnterEndTheModalRun) {
  FakeUi ui;
  struct Case {
    WPARAM key;
    INT_PTR result;
  } cases[] = {{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}};
  for (const Case& c : cases) {
    static WPARAM key;
    key = c.key;
    TimerAction::Arm([] {
      HWND focus = ::GetFocus();
      ::PostMessageW(focus, WM_KEYDOWN, key, 0);
      ::PostMessageW(focus, WM_KEYUP, key, 0xC0000000);
    });
    TestDlg dlg;
    EXPECT_EQ(dlg.DoModal(), c.result) << c.key;
  }
}

TEST(AboutBox, ShowsItsTextsAndBindsTheLink) {
  FakeUi ui;
  CAboutDlg about;
  ASSERT_TRUE(about.Create(nullptr));
  wchar_t text[128] = {};
  ::GetWindowTextW(about, text, 128);
  EXPECT_STREQ(text, L"关于");
  HWND link = ::GetDlgItem(about, IDC_LINK);
  ASSERT_NE(CWindow::FromHandle(link), nullptr);
  NMLINK click = {};
  click.hdr.hwndFrom = link;
  click.hdr.idFrom = IDC_LINK;
  click.hdr.code = NM_CLICK;
  lstrcpynW(click.item.szUrl, SORVRES_LINK_URL, L_MAX_URL_LENGTH);
  about.SendMessage(WM_NOTIFY, IDC_LINK, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(ui.executed.size(), 1u);
  EXPECT_EQ(ui.executed[0], std::wstring(L"Open ") + SORVRES_LINK_URL + L" 5");
}

// Both links of the About box show: each link's rectangle, found by hit-testing the link
// control well beyond its edges, lies inside the control, which keeps its template size. A
// text longer than the control wraps onto a line the control cannot show.
TEST(AboutBox, BothLinksLieInsideTheLinkControl) {
  FakeUi ui;
  CAboutDlg about;
  ASSERT_TRUE(about.Create(nullptr));
  HWND link = ::GetDlgItem(about, IDC_LINK);
  ASSERT_NE(link, nullptr);
  RECT want = {42, 29, 42 + 116, 29 + 11};
  ::MapDialogRect(about, &want);
  const RECT placed = ChildRect(link);
  EXPECT_EQ(std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}),
            std::vector<LONG>({want.left, want.top, want.right, want.bottom}));

  std::vector<std::wstring> urls;
  for (int i = 0; i < 8; ++i) {
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    item.iLink = i;
    if (!::SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) break;
    urls.push_back(item.szUrl);
  }
  EXPECT_EQ(urls, std::vector<std::wstring>(2, SORVRES_LINK_URL));

  RECT client = {};
  ::GetClientRect(link, &client);
  std::vector<RECT> hit(urls.size(), RECT{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN});
  for (int y = -client.bottom; y < 4 * client.bottom; ++y)
    for (int x = -20; x < 2 * client.right; ++x) {
      LHITTESTINFO info = {};
      info.pt = POINT{x, y};
      if (!::SendMessageW(link, LM_HITTEST, 0, reinterpret_cast<LPARAM>(&info))) continue;
      ASSERT_GE(info.item.iLink, 0);
      ASSERT_LT(static_cast<size_t>(info.item.iLink), hit.size());
      RECT& r = hit[static_cast<size_t>(info.item.iLink)];
      r.left = std::min<LONG>(r.left, x);
      r.top = std::min<LONG>(r.top, y);
      r.right = std::max<LONG>(r.right, x + 1);
      r.bottom = std::max<LONG>(r.bottom, y + 1);
    }
  for (size_t i = 0; i < hit.size(); ++i) {
    const RECT& r = hit[i];
    ASSERT_LT(r.left, r.right) << "link " << i << " is nowhere";
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << "link " << i << " at (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom
        << ") outside the control's " << client.right << " x " << client.bottom;
  }
  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  ::ShowWindow(about, SW_SHOW);
  harness::Pump();
  SaveScreenshot(about, L"..\\screenshots\\app-about-box.bmp");
}

// The window's Chinese texts are drawn with a font that has their glyphs, and the painted
// buttons carry ink as wide as their text. A picture of the window is kept for people to
// look at in build/screenshots/.
TEST_F(MainWindowTest, ChineseTextsAreDrawnWithRealGlyphs) {
  harness::SetClientSize(dlg, 640, 420);
  // No button may hold the focus: its dotted focus frame would count as ink.
  ::SetFocus(dlg.m_editPath);
  ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  harness::Pump();

  for (int id : {IDC_OPEN, IDC_SAVE, IDC_EXPORT}) {
    HWND button = ::GetDlgItem(dlg, id);
    wchar_t text[32] = {};
    ::GetWindowTextW(button, text, 32);
    const int length = lstrlenW(text);
    ASSERT_EQ(length, 4);
    HDC dc = ::GetDC(button);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font);
    WORD glyphs[4] = {};
    ASSERT_EQ(::GetGlyphIndicesW(dc, text, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS), DWORD(length));
    SIZE extent = {};
    ::GetTextExtentPoint32W(dc, text, length, &extent);
    ::SelectObject(dc, old);

    RECT rect = {};
    ::GetClientRect(button, &rect);
    const int w = rect.right, h = rect.bottom;
    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap);
    ::SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT | PRF_ERASEBKGND);
    int inkLeft = w, inkRight = -1;
    for (int y = 4; y < h - 4; ++y)
      for (int x = 4; x < w - 4; ++x) {
        COLORREF c = ::GetPixel(mem, x, y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 100) {
          if (x < inkLeft) inkLeft = x;
          if (x > inkRight) inkRight = x;
        }
      }
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    ::ReleaseDC(button, dc);
    for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF) << "missing glyph in control " << id;
    ASSERT_GT(inkRight, inkLeft) << "no text drawn on control " << id;
    // Glyphs have side bearings: the ink is a little narrower than the advance widths.
    EXPECT_GE(inkRight - inkLeft + 1, extent.cx * 3 / 4) << id;
    EXPECT_LE(inkRight - inkLeft + 1, extent.cx + 2) << id;
  }

  // Keep a picture of the whole window.
  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  EXPECT_TRUE(SaveScreenshot(dlg, L"..\\screenshots\\app-main-window.bmp"));
}
