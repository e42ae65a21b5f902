// What a user reaches for: Ctrl+O, Ctrl+S and Ctrl+E in the window's own message loop, the
// tree's context menu on a real right click, and dialogs that start where the last ended.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/UserInput.h"

using harness::FakeUi;
using harness::TestDlg;
using userinput::Key;
using userinput::Mouse;

namespace {

void Chord(WORD key) {
  Key(VK_CONTROL, true);
  Key(key, true);
  Key(key, false);
  Key(VK_CONTROL, false);
}

// Under an X server a move is reported back later; moves until the pointer stays.
void PointerTo(POINT at) {
  for (int tries = 0; tries < 20; ++tries) {
    ::SetCursorPos(at.x, at.y);
    harness::Pump();
    ::Sleep(50);
    harness::Pump();
    if (userinput::PointerAt(at)) return;
  }
}

struct Later {
  static void (*action)();
  static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    action();
  }
  static void Arm(void (*fn)(), UINT ms) {
    action = fn;
    ::SetTimer(nullptr, 0, ms, &Later::Fire);
  }
};
void (*Later::action)() = nullptr;

TestDlg* g_dlg = nullptr;
std::wstring g_package;

}  // namespace

int StepsNext = 0;

TEST(Shortcuts, CtrlOSAndERunOpenSaveAndExportInTheModalRun) {
  FakeUi ui;
  harness::TempDir dir;
  g_package = dir / L"keys.rdb";
  fixtures::WritePackage(g_package, {{L"a.png", fixtures::PngLike(20)}, {L"sub\\b.png", fixtures::PngLike(30)}});
  const std::wstring saved = dir / L"saved";
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(saved.c_str(), nullptr);
  ::CreateDirectoryW(out.c_str(), nullptr);
  ui.fileAnswers = {L"", saved + L"\\b-copy.png", L"", L""};  // open (cancelled), save, save again, open again
  ui.folderAnswers = {out + L"\\", L""};

  TestDlg dlg;
  g_dlg = &dlg;
  // One step per timer tick: the export drops the keys that arrive while it runs, as it
  // does for a user's.
  struct Steps {
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
      static const WORD kChords[] = {'O', 'S', 'E', 'S', 'E', 'O'};
      const int step = StepsNext++;
      if (step == 0) {
        g_dlg->LoadPackage(g_package);
        fixtures::ClickTreeItem(*g_dlg, 1);
        ::SetForegroundWindow(*g_dlg);
        ::SetFocus(g_dlg->m_tree);
      } else if (step <= 6) {
        // Each chord to the window in front with the focus in the tree, as a user types it.
        ::SetForegroundWindow(*g_dlg);
        ::SetFocus(g_dlg->m_tree);
        Chord(kChords[step - 1]);
      } else {
        ::KillTimer(nullptr, id);
        HWND focus = ::GetFocus();
        ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0000000);
      }
    }
  };
  StepsNext = 0;
  ::SetTimer(nullptr, 0, 400, &Steps::Tick);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);  // Esc still ends the program

  std::string asked;
  for (const FileDialogRequest& r : ui.requests) asked += r.open ? "open " : "save ";
  ASSERT_EQ(ui.requests.size(), 4u) << asked << ui.folderPrompts.size() << " exports";
  // The open dialog starts in the folder of the package opened last.
  EXPECT_TRUE(ui.requests[0].open);
  EXPECT_EQ(ui.requests[0].folder, dir.Path());
  // Save: the selected entry; the second save starts where the first one wrote.
  EXPECT_FALSE(ui.requests[1].open);
  EXPECT_EQ(ui.requests[1].fileName, L"b.png");
  EXPECT_EQ(ui.requests[1].folder, L"");
  EXPECT_EQ(harness::ReadBytes(saved + L"\\b-copy.png"), fixtures::PngLike(30));
  EXPECT_FALSE(ui.requests[2].open);
  EXPECT_EQ(ui.requests[2].folder, saved);
  EXPECT_TRUE(ui.requests[3].open);
  // Export: the second chooser starts with the folder of the first export selected.
  ASSERT_EQ(ui.folderPrompts.size(), 2u);
  EXPECT_EQ(ui.folderPreselected[1], out + L"\\");
  EXPECT_EQ(harness::ReadBytes(out + L"\\sub\\b.png"), fixtures::PngLike(30));
  EXPECT_EQ(harness::ReadBytes(out + L"\\a.png"), fixtures::PngLike(20));
}

TEST(Shortcuts, ARightClickSelectsTheItemAndOffersSaveAndExport) {
  FakeUi ui;
  harness::TempDir dir;
  TestDlg dlg;
  ASSERT_TRUE(dlg.Create(nullptr));
  harness::Pump();
  const std::wstring package = dir / L"menu.rdb";
  fixtures::WritePackage(package, {{L"one.xml", fixtures::Text("<a/>")}, {L"dir\\two.xml", fixtures::Text("<b/>")},
                                   {L"three.xml", fixtures::Text("<c/>")}});
  dlg.LoadPackage(package);
  ::SetForegroundWindow(dlg);

  struct Case {
    int item;
    UINT choose;
    const wchar_t* shown;
  } cases[] = {{1, 1003, L"dir\\two.xml"}, {2, 1002, L"three.xml"}};
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  ui.folderAnswers.push_back(out + L"\\");
  ui.fileAnswers.push_back(dir / L"three-copy.xml");
  for (const Case& c : cases) {
    HTREEITEM item = dlg.m_tree.GetRootItem();
    for (int i = 0; i < c.item; ++i) item = dlg.m_tree.GetNextSiblingItem(item);
    RECT rect = {};
    *reinterpret_cast<HTREEITEM*>(&rect) = item;
    ASSERT_TRUE(dlg.m_tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
    POINT at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(dlg.m_tree, &at);
    PointerTo(at);
    std::vector<std::wstring> texts;
    std::thread driver([&] {
      std::vector<std::wstring> read;
      for (const userinput::MenuItem& menuItem : userinput::DriveMenu(c.choose)) read.push_back(menuItem.text);
      texts = read;
    });
    Mouse(MOUSEEVENTF_RIGHTDOWN);
    Mouse(MOUSEEVENTF_RIGHTUP);
    for (int i = 0; i < 100 && texts.empty(); ++i) {
      harness::Pump();
      ::Sleep(20);
    }
    driver.join();
    harness::Pump();
    // An entry's menu: no folder export, and the view switch with its shortcut.
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"保存文件", L"全部导出", L"", L"按文件夹显示\tCtrl+T"}));
    EXPECT_EQ(dlg.m_tree.GetSelectedItem(), item);
    EXPECT_EQ(dlg.m_editName.GetWindowText(), c.shown);
  }
  // The chosen commands ran: the export wrote every entry, the save the selected one.
  EXPECT_EQ(harness::ReadBytes(out + L"\\dir\\two.xml"), fixtures::Text("<b/>"));
  EXPECT_EQ(harness::ReadBytes(dir / L"three-copy.xml"), fixtures::Text("<c/>"));
}
