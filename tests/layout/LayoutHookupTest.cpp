// The layout description applied to real windows: the description the program carries on
// a window titled "SorvRes" and on the main dialog made from its real template, and a
// description that does not parse.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "layout/CPositionWnd.h"
#include "app/FixedPlacement.h"
#include "app/LayoutHookup.h"
#include "tests/layout/LayoutTestWindows.h"
#include "tests/app/MainDialogHarness.h"
#include "layout/Placement.h"
#include "resources/resource.h"

using layouttest::Box;
using layouttest::ChildBox;
using layouttest::MakeChild;
using layouttest::NodeOf;

namespace {

// The rows of the carried description, by control id: left, top, right, bottom, width,
// height, top-lock, left-lock, bottom-lock, right-lock.
const std::map<int, std::vector<int>> kRows = {
    {1000, {12, 312, 323, 11, 299, 25, 0, 1, 1, 1}}, {1001, {315, 312, 249, 11, 70, 25, 0, 0, 1, 1}},
    {1002, {394, 312, 170, 11, 70, 25, 0, 0, 1, 1}}, {1003, {473, 312, 91, 11, 70, 25, 0, 0, 1, 1}},
    {1005, {12, 12, 311, 40, 299, 296, 1, 1, 1, 0}}, {1006, {315, 12, 13, 42, 306, 294, 1, 1, 1, 1}},
};

std::vector<int> Values(const CPositionWnd& n) {
  return {n.left, n.top, n.right, n.bottom, n.width, n.height, n.topLock, n.leftLock, n.bottomLock, n.rightLock};
}

// A window titled "SorvRes" with a 634 x 348 client area and controls 1000 to 1006, all
// small in the top-left corner; control 1004, which the description does not name, holds a
// child with id 1001.
struct SorvResWindow {
  SorvResWindow() {
    window = layouttest::MakeTopLevel(L"SorvRes", 634, 348);
    for (int id = 1000; id <= 1006; ++id) controls[id] = MakeChild(window, id, 0, 0, 10, 10);
    nested = MakeChild(controls[1004], 1001, 1, 2, 5, 5);
  }
  ~SorvResWindow() {
    if (::IsWindow(window)) ::DestroyWindow(window);
  }
  HWND window;
  std::map<int, HWND> controls;
  HWND nested;
};

// Every window below `parent` with its place, at any depth.
void CollectBoxes(HWND parent, std::map<HWND, Box>& boxes) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    boxes[c] = ChildBox(c);
    CollectBoxes(c, boxes);
  }
}

}  // namespace

TEST(LayoutDescription, CarriedDescriptionPlacesEachControlOfAWindowTitledSorvResByItsRow) {
  const std::string description = LoadLayoutDescription();
  ASSERT_FALSE(description.empty());
  CPositionWnd root;
  SorvResWindow win;
  root.Attach(win.window, 1);
  root.LoadConfig(description.c_str());

  EXPECT_EQ(Values(root), std::vector<int>({0, 0, 642, 382, 642, 382, 1, 1, 0, 0}));
  for (const auto& row : kRows) {
    CPositionWnd* node = NodeOf(root, win.controls[row.first]);
    ASSERT_NE(node, nullptr) << row.first;
    EXPECT_EQ(Values(*node), row.second) << row.first;
    EXPECT_EQ(ChildBox(win.controls[row.first]), (Box{row.second[0], row.second[1], row.second[4], row.second[5]}))
        << row.first;
  }
  // 1004 has no row: it stays, keeps what it recorded, and its child is never looked at,
  // although a row for 1001 exists one level up.
  CPositionWnd* unnamed = NodeOf(root, win.controls[1004]);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(Values(*unnamed), std::vector<int>({0, 0, 10, 10, 10, 10, 1, 1, 0, 0}));
  EXPECT_EQ(ChildBox(win.controls[1004]), (Box{0, 0, 10, 10}));
  EXPECT_EQ(ChildBox(win.nested), (Box{1, 2, 5, 5}));
  EXPECT_EQ(Values(*unnamed->children[0]), std::vector<int>({1, 2, 6, 7, 5, 5, 1, 1, 0, 0}));

  // From now on the rows' locks keep the controls anchored.
  harness::SetClientSize(win.window, 800, 500);
  EXPECT_EQ(ChildBox(win.controls[1001]), (Box{481, 464, 70, 25}));
  EXPECT_EQ(ChildBox(win.controls[1006]), (Box{315, 12, 472, 446}));
  EXPECT_EQ(ChildBox(win.controls[1000]), (Box{12, 464, 465, 25}));
  EXPECT_EQ(ChildBox(win.controls[1005]), (Box{12, 12, 299, 448}));
  EXPECT_EQ(ChildBox(win.controls[1004]), (Box{0, 0, 10, 10}));
}

TEST(LayoutDescription, HookupSizesTheWindowFromTheRootRecord) {
  CPositionWnd root;
  SorvResWindow win;
  RECT before = {};
  ::GetWindowRect(win.window, &before);
  ASSERT_TRUE(HookUpLayout(root, win.window));
  RECT after = {};
  ::GetWindowRect(win.window, &after);
  EXPECT_EQ(layouttest::BoxOf(after), (Box{before.left, before.top, 642, 382}));
  // The new size re-placed the controls by their rows in the client area it left.
  const SIZE client = harness::ClientSize(win.window);
  for (const auto& row : kRows) {
    sorv::layout::LayoutValues v;
    v.left = row.second[0], v.top = row.second[1], v.right = row.second[2], v.bottom = row.second[3];
    v.width = row.second[4], v.height = row.second[5];
    v.topLock = row.second[6], v.leftLock = row.second[7], v.bottomLock = row.second[8], v.rightLock = row.second[9];
    const sorv::layout::PlacedRect r = sorv::layout::PlaceByLocks(v, client.cx, client.cy);
    EXPECT_EQ(ChildBox(win.controls[row.first]), (Box{r.x, r.y, r.width, r.height})) << row.first;
  }
}

TEST(LayoutDescription, ADescriptionThatDoesNotParseChangesNothing) {
  const char* const broken[] = {
      // complete rows for the window and 1001, then an element of another name
      "<CPositionWnd id=\"SorvRes\" right=\"700\" bottom=\"500\">\n"
      "<CPositionWnd id=\"1001\" left=\"50\" top=\"60\" right=\"120\" bottom=\"80\">\n</CPositionWnd>\n"
      "<Button id=\"1002\">\n</Button>\n</CPositionWnd>\n",
      // the same rows with the outer element never closed
      "<CPositionWnd id=\"SorvRes\" right=\"700\" bottom=\"500\">\n"
      "<CPositionWnd id=\"1001\" left=\"50\" top=\"60\" right=\"120\" bottom=\"80\">\n</CPositionWnd>\n",
  };
  for (const char* text : broken) {
    CPositionWnd root;
    SorvResWindow win;
    RECT before = {};
    ::GetWindowRect(win.window, &before);
    EXPECT_FALSE(HookUpLayout(root, win.window, text));
    // Attached as it was, nothing copied, nothing moved, the window not resized.
    EXPECT_EQ(CPositionWnd::FromHandle(win.window), &root);
    EXPECT_EQ(root.children.size(), 7u);
    RECT after = {};
    ::GetWindowRect(win.window, &after);
    EXPECT_EQ(layouttest::BoxOf(after), layouttest::BoxOf(before));
    EXPECT_EQ(Values(*NodeOf(root, win.controls[1001])), std::vector<int>({0, 0, 10, 10, 10, 10, 1, 1, 0, 0}));
    EXPECT_EQ(ChildBox(win.controls[1001]), (Box{0, 0, 10, 10}));
  }
}

TEST(MainDialogLayout, CarriedDescriptionChangesNothingAndTheTreeMirrorsTheDialog) {
  harness::FakeUi ui;
  harness::TestDlg dlg;
  ASSERT_TRUE(dlg.Create(nullptr));
  harness::Pump();
  // The program's own root, attached by the dialog's set-up, gets the dialog's messages.
  CPositionWnd& root = dlg.m_layout;
  ASSERT_EQ(root.window, dlg.GetHwnd());
  EXPECT_EQ(CPositionWnd::FromHandle(dlg), &root);

  // The dialog's title is not the description's id: nothing is copied, so the window keeps
  // its template's size and every control node keeps the template place it recorded.
  CDialog plain(IDD_SORVRES_DIALOG);
  ASSERT_TRUE(plain.Create(nullptr));
  RECT after = {}, templ = {};
  ::GetWindowRect(dlg, &after);
  ::GetWindowRect(plain, &templ);
  EXPECT_EQ(layouttest::BoxOf(after).width, layouttest::BoxOf(templ).width);
  EXPECT_EQ(layouttest::BoxOf(after).height, layouttest::BoxOf(templ).height);
  EXPECT_EQ(Values(root), std::vector<int>({0, 0, after.right - after.left, after.bottom - after.top,
                                            after.right - after.left, after.bottom - after.top, 1, 1, 0, 0}));
  // x, y, width, height in dialog units.
  const std::map<int, RECT> kTemplate = {
      {1000, {10, 10, 171, 14}}, {1001, {214, 9, 40, 14}}, {1002, {260, 35, 40, 14}}, {1003, {306, 37, 40, 14}},
      {1005, {11, 73, 128, 126}}, {1006, {151, 62, 148, 49}}, {1008, {147, 35, 108, 13}},
  };
  for (const auto& t : kTemplate) {
    // x, y, width and height each converted on its own, as the dialog is made.
    RECT r = t.second;
    ::MapDialogRect(dlg, &r);
    CPositionWnd* node = NodeOf(root, ::GetDlgItem(dlg, t.first));
    ASSERT_NE(node, nullptr) << t.first;
    EXPECT_EQ(Values(*node), std::vector<int>({r.left, r.top, r.left + r.right, r.top + r.bottom, r.right, r.bottom,
                                               1, 1, 0, 0}))
        << t.first;
  }

  // Eight controls and the status bar under the root; the link under the status bar.
  ASSERT_EQ(root.children.size(), 9u);
  size_t i = 0;
  for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT), ++i) {
    ASSERT_LT(i, root.children.size());
    EXPECT_EQ(root.children[i]->window, c);
    EXPECT_EQ(root.children[i]->topLock + root.children[i]->leftLock, 2);
    EXPECT_EQ(root.children[i]->bottomLock + root.children[i]->rightLock, 0);
  }
  CPositionWnd* bar = NodeOf(root, dlg.m_statusBar);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->children.size(), 1u);
  EXPECT_EQ(bar->children[0]->window, dlg.m_link.GetHwnd());

  // A resize passes the root's relayout and reaches the dialog's own size handling, whose
  // fixed placement is what stays.
  harness::SetClientSize(dlg, 700, 450);
  RECT barRect = {};
  ::GetWindowRect(dlg.m_statusBar, &barRect);
  const auto placed = sorv::app::FixedPlacement(700, 450, barRect.bottom - barRect.top);
  for (const auto& r : placed) {
    HWND control = r.id == IDC_LINK ? dlg.m_link.GetHwnd() : ::GetDlgItem(dlg, r.id);
    Box want{r.x, r.y, r.width, r.height};
    if (r.id == IDC_FILTER) want.height = ChildBox(control).height;  // a drop-down's window is the closed box
    EXPECT_EQ(ChildBox(control), want) << r.id;
  }
  EXPECT_EQ(ChildBox(dlg.m_statusBar).width, 700);
}
