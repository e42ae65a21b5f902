// Find by name and the folder view, used as a person uses them: keys and clicks are X input
// (xdotool) while the dialog runs its modal loop, the loop the program runs. A driver thread
// types and clicks and reads what the window shows; the dialog's thread only runs the loop.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "tests/app/EntryFixtures.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/support/UserInput.h"

using harness::TestDlg;
using userinput::XdoTool;

namespace {

// Message boxes are recorded under a lock: the driver thread reads them.
class LockedUi : public harness::FakeUi {
 public:
  int ShowMessage(HWND, const std::wstring& text) override {
    std::lock_guard<std::mutex> lock(mutex);
    messages.push_back(text);
    return IDOK;
  }
  std::vector<std::wstring> Messages() {
    std::lock_guard<std::mutex> lock(mutex);
    return messages;
  }
  std::mutex mutex;
};

bool WaitFor(const std::function<bool()>& condition, DWORD ms = 8000) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > ms) return false;
    ::Sleep(30);
  }
  return true;
}

std::wstring WindowText(HWND hWnd) {
  wchar_t text[520] = {};
  ::GetWindowTextW(hWnd, text, 520);
  return text;
}

std::wstring PaneText(HWND bar) {
  wchar_t text[260] = {};
  const LRESULT length = ::SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0);
  if (LOWORD(length) < 260) ::SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

// The driver's view of the window.
struct Window {
  TestDlg& dlg;
  LockedUi& ui;

  std::wstring NameBox() const { return WindowText(dlg.m_editName.GetHwnd()); }
  std::wstring Pane() const { return PaneText(dlg.m_statusBar.GetHwnd()); }
  HWND Find() const { return dlg.m_findDialog.GetHwnd(); }
  std::wstring Selected() const {
    const HTREEITEM item = dlg.m_tree.GetSelectedItem();
    return item ? dlg.m_tree.GetItemText(item) : std::wstring();
  }
  // The texts of the items below `parent` (TVI_ROOT for the top level).
  std::vector<std::wstring> Children(HTREEITEM parent) const {
    std::vector<std::wstring> texts;
    HTREEITEM item = parent == TVI_ROOT ? dlg.m_tree.GetRootItem() : dlg.m_tree.GetNextItem(parent, TVGN_CHILD);
    for (; item; item = dlg.m_tree.GetNextSiblingItem(item)) texts.push_back(dlg.m_tree.GetItemText(item));
    return texts;
  }
  HTREEITEM Item(HTREEITEM parent, const std::wstring& text) const {
    HTREEITEM item = parent == TVI_ROOT ? dlg.m_tree.GetRootItem() : dlg.m_tree.GetNextItem(parent, TVGN_CHILD);
    for (; item; item = dlg.m_tree.GetNextSiblingItem(item))
      if (dlg.m_tree.GetItemText(item) == text) return item;
    return nullptr;
  }
  bool Expanded(HTREEITEM item) const {
    return (dlg.m_tree.SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  }
  // The centre of a tree item or a dialog control, on the screen.
  POINT ItemCentre(HTREEITEM item) const {
    RECT r = {};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    dlg.m_tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(dlg.m_tree.GetHwnd(), &p);
    return p;
  }
  static POINT ControlCentre(HWND control) {
    RECT r = {};
    ::GetWindowRect(control, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static bool Click(POINT at, int button = 1) {
    return XdoTool("mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) + " click " +
                   std::to_string(button));
  }
  // Ctrl+F, the text typed over what the box holds, Enter.
  void FindWithDialog(const std::string& text) const {
    if (!Find()) XdoTool("key ctrl+f");
    ASSERT_TRUE(WaitFor([&] { return Find() && ::IsWindowVisible(Find()); })) << "no Find dialog after Ctrl+F";
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Find(); }));
    // Into the text box by its label's mnemonic, over what it holds.
    XdoTool("key alt+n ctrl+a");
    XdoTool("type --delay 20 " + text);
    ASSERT_TRUE(WaitFor([&] { return WindowText(::GetDlgItem(Find(), edt1)) == std::wstring(text.begin(), text.end()); }))
        << "typed " << text << ", the box shows something else";
    XdoTool("key Return");
  }
};

// Runs the dialog modally on this thread with the package open, and `drive` on a thread
// of its own; the dialog ends when `drive` returns.
void RunWithDriver(TestDlg& dlg, LockedUi& ui, const std::wstring& package, const std::function<void(Window&)>& drive) {
  ui.fileAnswers = {package};
  std::atomic<bool> done(false);
  std::thread driver([&] {
    Window w{dlg, ui};
    if (WaitFor([&] { return dlg.GetHwnd() && ::IsWindowVisible(dlg.GetHwnd()); }, 20000)) {
      ::PostMessageW(dlg.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_OPEN, BN_CLICKED), 0);
      EXPECT_TRUE(WaitFor([&] { return w.Pane().find(L"共有文件:") == 0; })) << "the package did not load";
      // A real click on the preview gives the window the X server's focus, so keys go to
      // it, and selects nothing.
      Window::Click(Window::ControlCentre(dlg.m_preview.GetHwnd()));
      EXPECT_EQ(dlg.m_tree.GetSelectedItem(), nullptr);
      drive(w);
    } else {
      ADD_FAILURE() << "the dialog did not show";
    }
    done = true;
    // Whatever is open is closed; the modal run ends.
    if (w.Find()) ::PostMessageW(w.Find(), WM_CLOSE, 0, 0);
    ::PostMessageW(dlg.GetHwnd(), WM_COMMAND, IDCANCEL, 0);
  });
  dlg.DoModal();
  driver.join();
  EXPECT_TRUE(done);
}

std::vector<fixtures::EntrySpec> Entries() {
  return {{L"img\\logo.png", fixtures::PngLike(40)},   {L"img\\sub\\Logo2.png", fixtures::PngLike(50)},
          {L"ui\\main.xml", fixtures::Text("<ui/>")},   {L"img\\sub\\icon.PNG", fixtures::PngLike(60)},
          {L"docs\\readme.txt", fixtures::Text("hi")}, {L"top.PNG", fixtures::PngLike(30)}};
}

}  // namespace

TEST(FindByName, FindDialogF3WrapNoMatchCaseGlobAndEsc) {
  LockedUi ui;
  harness::TempDir dir;
  const std::wstring package = dir / L"find.rdb";
  fixtures::WritePackage(package, Entries());
  TestDlg dlg;
  RunWithDriver(dlg, ui, package, [](Window& w) {
    // Ctrl+F, "logo", Enter: the first listed entry whose stored name holds it, any case.
    w.FindWithDialog("logo");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\logo.png"; })) << "name box: " << w.NameBox().size();
    EXPECT_EQ(w.Selected(), L"logo.png");
    EXPECT_EQ(w.Pane(), L"共有文件:6");
    // Enter again in the dialog: the next one.
    XdoTool("key Return");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\Logo2.png"; }));
    // Esc closes the Find dialog only; the window stays.
    XdoTool("key Escape");
    EXPECT_TRUE(WaitFor([&] { return w.Find() == nullptr; })) << "Esc did not close the Find dialog";
    EXPECT_TRUE(::IsWindow(w.dlg.GetHwnd()) && ::IsWindowVisible(w.dlg.GetHwnd()));
    // F3 after the dialog closed: the last text, past the end and round to the start.
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == w.dlg.GetHwnd(); }));
    XdoTool("key F3");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\logo.png"; })) << "F3 did not wrap to the first match";
    EXPECT_EQ(w.Pane(), L"已查找到末尾，从开头继续");
    // Shift+F3: backwards, round to the end.
    XdoTool("key shift+F3");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\Logo2.png"; })) << "Shift+F3";
    EXPECT_EQ(w.Pane(), L"已查找到开头，从末尾继续");
    XdoTool("key shift+F3");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\logo.png"; }));
    EXPECT_EQ(w.Pane(), L"共有文件:6");

    // No match: our message names the text, the selection stays.
    w.FindWithDialog("nothing");
    EXPECT_TRUE(WaitFor([&] { return !w.ui.Messages().empty(); })) << "no message for a text not found";
    if (!w.ui.Messages().empty()) EXPECT_EQ(w.ui.Messages().back(), L"找不到\"nothing\"");
    EXPECT_EQ(w.NameBox(), L"img\\logo.png");
    EXPECT_EQ(w.Selected(), L"logo.png");

    // The case box, by its mnemonic (the dialog's keys reach it): "Logo" now finds only
    // Logo2.png, from logo.png on and again.
    XdoTool("key alt+c");
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(::GetDlgItem(w.Find(), chx2), BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    w.FindWithDialog("Logo");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\Logo2.png"; }));
    XdoTool("key Return");
    EXPECT_TRUE(WaitFor([&] { return w.Pane() == L"已查找到末尾，从开头继续"; })) << "the only match, found again";
    EXPECT_EQ(w.NameBox(), L"img\\sub\\Logo2.png");
    // A pattern matches the whole stored name; with the case box on, ".PNG" only.
    w.FindWithDialog("*.PNG");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\icon.PNG"; })) << "glob";
    XdoTool("key Return");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"top.PNG"; }));
    // "Up", by its mnemonic: back to icon.PNG.
    XdoTool("key alt+u");
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(::GetDlgItem(w.Find(), rad1), BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    XdoTool("key Return");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\icon.PNG"; })) << "upwards";
  });
}

TEST(FolderView, SwitchWithFilterExpandSelectFolderFindAndExportOneFolder) {
  LockedUi ui;
  harness::TempDir dir;
  const std::wstring package = dir / L"folders.rdb";
  fixtures::WritePackage(package, Entries());
  const std::wstring out = dir / L"out";
  ::CreateDirectoryW(out.c_str(), nullptr);
  ui.folderAnswers = {out + L"\\"};
  TestDlg dlg;
  RunWithDriver(dlg, ui, package, [&](Window& w) {
    // The PNG filter, then Ctrl+T: only folders with listed entries, folders first.
    ::SendMessageW(w.dlg.m_filter.GetHwnd(), CB_SETCURSEL, 2, 0);
    ::PostMessageW(w.dlg.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(w.dlg.m_filter.GetHwnd()));
    ASSERT_TRUE(WaitFor([&] { return w.Pane() == L"共有文件:6 过滤后:4"; })) << "PNG filter";
    XdoTool("key ctrl+t");
    ASSERT_TRUE(WaitFor([&] { return w.Children(TVI_ROOT) == std::vector<std::wstring>{L"img", L"top.PNG"}; }))
        << "top level of the folder view";
    EXPECT_EQ(w.Pane(), L"共有文件:6 过滤后:4");
    HTREEITEM img = w.Item(TVI_ROOT, L"img");
    // Not filled before it is opened.
    EXPECT_TRUE(w.Children(img).empty());
    // A click selects the folder (its path in the name box), Right opens it.
    Window::Click(w.ItemCentre(img));
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img"; })) << "a selected folder shows its path";
    XdoTool("key Right");
    EXPECT_TRUE(WaitFor([&] { return w.Children(img) == std::vector<std::wstring>{L"sub", L"logo.png"}; }))
        << "opened folder: folders first";
    // Down to the folder inside, then to a file below it, selected as in the flat list.
    XdoTool("key Down");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub"; })) << w.Selected().size();
    XdoTool("key Down");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\logo.png"; })) << w.Selected().size();

    // Find opens the folders down to the match.
    HTREEITEM sub = w.Item(img, L"sub");
    EXPECT_FALSE(w.Expanded(sub));
    w.FindWithDialog("icon");
    EXPECT_TRUE(WaitFor([&] { return w.NameBox() == L"img\\sub\\icon.PNG"; })) << "find in the folder view";
    EXPECT_TRUE(w.Expanded(sub));
    EXPECT_EQ(w.Selected(), L"icon.PNG");
    XdoTool("key Escape");
    ASSERT_TRUE(WaitFor([&] { return w.Find() == nullptr; }));

    // A right click on "sub": the menu offers its export and shows the view checked.
    std::vector<userinput::MenuItem> items;
    std::thread menu([&] { items = userinput::DriveMenu(IDM_EXPORT_FOLDER); });
    Window::Click(w.ItemCentre(sub), 3);
    menu.join();
    bool offered = false, checked = false;
    for (const userinput::MenuItem& item : items) {
      if (item.id == IDM_EXPORT_FOLDER) offered = item.text == L"导出此文件夹";
      if (item.id == IDM_FOLDER_VIEW) checked = item.checked && item.text == L"按文件夹显示\tCtrl+T";
    }
    EXPECT_TRUE(offered) << "no 导出此文件夹 for a folder";
    EXPECT_TRUE(checked);
    EXPECT_TRUE(WaitFor([&] { return !w.ui.Messages().empty(); })) << "no message after the folder's export";
    if (!w.ui.Messages().empty()) EXPECT_EQ(w.ui.Messages().back(), L"导出文件完成!");

    // Ctrl+T again: the flat list of the filtered entries.
    XdoTool("key ctrl+t");
    EXPECT_TRUE(WaitFor([&] {
      return w.Children(TVI_ROOT) == std::vector<std::wstring>{L"logo.png", L"Logo2.png", L"icon.PNG", L"top.PNG"};
    })) << "back to the flat list";
  });
  // The listed entries below img\sub, with their paths from the package root; nothing else.
  EXPECT_EQ(harness::ReadBytes(out + L"\\img\\sub\\Logo2.png"), fixtures::PngLike(50));
  EXPECT_EQ(harness::ReadBytes(out + L"\\img\\sub\\icon.PNG"), fixtures::PngLike(60));
  EXPECT_FALSE(harness::FileExists(out + L"\\img\\logo.png"));
  EXPECT_FALSE(harness::FileExists(out + L"\\top.PNG"));
}
