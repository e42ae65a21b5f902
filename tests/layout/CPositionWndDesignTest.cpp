// The layout design mode on real windows driven with real input: the switch, the overlay's
// pixels, the hit boxes, lock toggles, moving with snapping and docking, resizing, the
// pointer shapes, the context menu, and "Select Parent" on the main dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "layout/CDesignCursors.h"
#include "layout/CPositionWnd.h"
#include "tests/layout/DesignInput.h"
#include "tests/layout/LayoutTestWindows.h"
#include "tests/app/MainDialogHarness.h"

using designtest::ControlRightClick;
using designtest::LeftDown;
using designtest::LeftUp;
using designtest::MenuItem;
using designtest::PointerTo;
using designtest::RightClickMenu;
using designtest::Settle;
using layouttest::Box;
using layouttest::ChildBox;
using layouttest::Count;
using layouttest::kDarkColour;
using layouttest::MakeChild;
using layouttest::NodeOf;

namespace {

const COLORREF kOrange = RGB(255, 128, 0);
const COLORREF kWhite = RGB(255, 255, 255);

int OrangeIn(const designtest::Pixels& p, const RECT& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += p.At(x, y) == kOrange;
  return n;
}

// A visible host with a 400 x 300 client area holding the dark target at (40, 40), 100 x 60,
// with two small windows inside it, and a sibling at (200, 40), 80 x 60.
class DesignMode : public ::testing::Test {
 protected:
  void SetUp() override {
    host = layouttest::MakeTopLevel(L"design host", 400, 300);
    ASSERT_NE(host, nullptr);
    target = layouttest::MakeDarkChild(host, 1, 40, 40, 100, 60);
    sibling = MakeChild(host, 2, 200, 40, 80, 60);
    inner[0] = MakeChild(target, 11, 30, 20, 20, 10);
    inner[1] = MakeChild(target, 12, 60, 20, 20, 10);
    ::SetWindowPos(host, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    root.Attach(host, 1);
    node = NodeOf(root, target);
    ASSERT_NE(node, nullptr);
    Settle();
  }
  void TearDown() override {
    if (::GetCapture()) ::ReleaseCapture();
    if (::IsWindow(host)) ::DestroyWindow(host);
    Settle();
  }
  bool InnerVisible(int i) const { return ::IsWindowVisible(inner[i]) != FALSE; }
  // Switches the target to design mode and presses the left button on its move handle.
  void GrabMoveHandle() {
    ControlRightClick(target, 30, 45);
    ASSERT_EQ(node->designMode, 1);
    PointerTo(target, 5, 5);
    LeftDown();
    ASSERT_EQ(node->moving, 1);
  }

  CPositionWnd root;
  HWND host = nullptr;
  HWND target = nullptr;
  HWND sibling = nullptr;
  HWND inner[2] = {};
  CPositionWnd* node = nullptr;
};

// One step of a move drag: the option under test (snapping or docking), where the grabbed
// point goes in the host's client area, and where the window lands.
struct DragStep {
  int option;
  int x, y;
  Box want;
};

}  // namespace

TEST_F(DesignMode, ControlRightClickSwitchesTheModeAndTheWindowNeverSeesIt) {
  ::SetWindowPos(target, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_NE(::GetWindow(host, GW_CHILD), target);
  const int presses = Count(target, WM_RBUTTONDOWN);

  ControlRightClick(target, 30, 45);
  EXPECT_EQ(node->designMode, 1);
  EXPECT_EQ(::GetWindow(host, GW_CHILD), target) << "raised to the top of its siblings";
  EXPECT_TRUE(InnerVisible(0) && InnerVisible(1));
  EXPECT_EQ(node->childrenHidden, 0);
  // Entering painted the overlay, and so placed the hit boxes.
  EXPECT_EQ(layouttest::BoxOf(node->moveBox), (Box{0, 0, 10, 10}));
  EXPECT_EQ(layouttest::BoxOf(node->resizeBox), (Box{90, 50, 10, 10}));
  EXPECT_EQ(layouttest::BoxOf(node->rightLockBox), (Box{90, 40, 10, 11}));

  ControlRightClick(target, 30, 45);
  EXPECT_EQ(node->designMode, 0);

  // Exactly on client pixel (0, 0) the children go out of sight, and come back on leaving,
  // while the node remembers that they were hidden.
  ControlRightClick(target, 0, 0);
  EXPECT_EQ(node->designMode, 1);
  EXPECT_EQ(node->childrenHidden, 1);
  EXPECT_FALSE(InnerVisible(0) || InnerVisible(1));
  ControlRightClick(target, 50, 45);
  EXPECT_EQ(node->designMode, 0);
  EXPECT_TRUE(InnerVisible(0) && InnerVisible(1));
  EXPECT_EQ(node->childrenHidden, 1);

  EXPECT_EQ(Count(target, WM_RBUTTONDOWN), presses) << "the switch is consumed";
  EXPECT_EQ(ChildBox(target), (Box{40, 40, 100, 60}));
}

namespace {

// What reaches an edit control below its layout node. Its context menu is counted, never
// opened, so that a test does not wait on it.
struct EditSeen {
  int presses = 0, releases = 0, menus = 0;
};
EditSeen g_editSeen;
WNDPROC g_editProc = nullptr;

LRESULT CALLBACK EditRecorderProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CONTEXTMENU) {
    ++g_editSeen.menus;
    return 0;
  }
  if (msg == WM_RBUTTONDOWN) ++g_editSeen.presses;
  if (msg == WM_RBUTTONUP) ++g_editSeen.releases;
  return ::CallWindowProcW(g_editProc, hWnd, msg, wParam, lParam);
}

}  // namespace

// On an edit box the release of the switching click would open the edit's own context menu:
// the switch consumes its release too, and only its own.
TEST(DesignModeOnEdits, TheSwitchingClickNeverReachesTheEditNorOpensItsMenu) {
  // The path box and the read-only entry name box, with the main window's styles.
  for (DWORD style : {DWORD(0x50810080), DWORD(0x50810880)}) {
    SCOPED_TRACE(testing::Message() << std::hex << style);
    HWND host = layouttest::MakeTopLevel(L"edit host", 300, 100);
    HWND edit = ::CreateWindowExW(0, L"Edit", L"some text", style, 20, 20, 200, 24, host,
                                  reinterpret_cast<HMENU>(1000), ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    g_editProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditRecorderProc)));
    ::SetWindowPos(host, HWND_TOP, 120, 120, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    CPositionWnd root;
    root.Attach(host, 1);
    CPositionWnd* node = NodeOf(root, edit);
    ASSERT_NE(node, nullptr);
    Settle();
    g_editSeen = EditSeen();

    // Clicks land apart: two quick presses on one spot of an edit, whose class takes double
    // clicks, make the second a double click, which is no switch.
    ControlRightClick(edit, 40, 10);
    ASSERT_EQ(node->designMode, 1);
    ControlRightClick(edit, 120, 12);
    ASSERT_EQ(node->designMode, 0);
    EXPECT_EQ(std::vector<int>({g_editSeen.presses, g_editSeen.releases, g_editSeen.menus}),
              std::vector<int>({0, 0, 0}));

    // A plain right click is the edit's own: press, release and its menu.
    designtest::RightClick(edit, 60, 8);
    EXPECT_EQ(std::vector<int>({g_editSeen.presses, g_editSeen.releases, g_editSeen.menus}),
              std::vector<int>({1, 1, 1}));
    // A switch made without a release (as "Select Parent" makes it) swallows no later one.
    ::SendMessageW(edit, WM_RBUTTONDOWN, MK_CONTROL, MAKELPARAM(5, 5));
    ::SendMessageW(edit, WM_RBUTTONDOWN, MK_CONTROL, MAKELPARAM(5, 5));
    ASSERT_EQ(node->designMode, 0);
    designtest::RightClick(edit, 150, 10);
    EXPECT_EQ(std::vector<int>({g_editSeen.presses, g_editSeen.releases, g_editSeen.menus}),
              std::vector<int>({2, 2, 2}));
    ::DestroyWindow(host);
    Settle();
  }
}

TEST_F(DesignMode, PressesHitTheBoxesInTheirOrder) {
  ControlRightClick(target, 30, 45);
  ASSERT_EQ(node->designMode, 1);
  const int cw = 100, ch = 60;
  enum Hit { kMove, kResize, kTop, kLeft, kBottom };
  const struct {
    int x, y;
    Hit hit;
  } cases[] = {{9, 5, kMove},          {10, 5, kTop},           {5, 9, kMove},
               {5, 10, kLeft},         {cw - 10, ch - 5, kResize}, {cw - 11, ch - 5, kBottom}};
  const int leftPresses = Count(target, WM_LBUTTONDOWN);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "press at (" << c.x << ", " << c.y << ")");
    const std::vector<int> locks = {node->topLock, node->leftLock, node->bottomLock, node->rightLock};
    PointerTo(target, c.x, c.y);
    LeftDown();
    EXPECT_EQ(node->moving, c.hit == kMove ? 1 : 0);
    EXPECT_EQ(node->resizing, c.hit == kResize ? 1 : 0);
    EXPECT_EQ(::GetCapture() == target, c.hit == kMove || c.hit == kResize);
    std::vector<int> want = locks;
    if (c.hit == kTop) want[0] = !want[0];
    if (c.hit == kLeft) want[1] = !want[1];
    if (c.hit == kBottom) want[2] = !want[2];
    EXPECT_EQ(std::vector<int>({node->topLock, node->leftLock, node->bottomLock, node->rightLock}), want);
    LeftUp();
    EXPECT_EQ(node->moving + node->resizing, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(ChildBox(target), (Box{40, 40, 100, 60})) << "a press alone moves nothing";
  }
  EXPECT_EQ(Count(target, WM_LBUTTONDOWN), leftPresses) << "the window does not see presses in design mode";
}

TEST_F(DesignMode, ALockToggleRewritesTheEdgeAndItsCrossAtOnce) {
  ControlRightClick(target, 30, 45);
  ASSERT_EQ(node->designMode, 1);
  ASSERT_EQ(node->right, 140);  // the absolute right edge
  const RECT inside = {node->rightLockBox.left + 1, node->rightLockBox.top + 1, node->rightLockBox.right - 1,
                       node->rightLockBox.bottom - 1};
  EXPECT_EQ(OrangeIn(designtest::ReadClient(target), inside), 0);

  // The press is handled, and the window repainted, before SendMessage returns.
  const LPARAM at = MAKELPARAM(95, 45);
  ::SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(target, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(node->rightLock, 1);
  EXPECT_EQ(node->right, 260) << "now the margin to the host's right edge";
  EXPECT_GT(OrangeIn(designtest::ReadClient(target), inside), 4) << "the cross is drawn";
  EXPECT_EQ(ChildBox(target), (Box{40, 40, 100, 60}));
  node->PlaceWindow();
  EXPECT_EQ(ChildBox(target), (Box{40, 40, 100, 60}));

  ::SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(target, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(node->rightLock, 0);
  EXPECT_EQ(node->right, 140);
  EXPECT_EQ(OrangeIn(designtest::ReadClient(target), inside), 0) << "the cross is gone";
  node->PlaceWindow();
  EXPECT_EQ(ChildBox(target), (Box{40, 40, 100, 60}));

  // Set once more, the lock anchors the window to the host's right edge.
  ::SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(target, WM_LBUTTONUP, 0, at);
  harness::SetClientSize(host, 500, 300);
  EXPECT_EQ(ChildBox(target), (Box{40, 40, 200, 60}));
}

TEST_F(DesignMode, TheOverlayVeilsFramesAndCrossesTheWindow) {
  const designtest::Pixels before = designtest::ReadClient(target);
  ASSERT_EQ(before.At(45, 35), kDarkColour);
  ControlRightClick(target, 30, 45);
  ASSERT_EQ(node->designMode, 1);
  Settle();
  const designtest::Pixels p = designtest::ReadClient(target);
  const int cw = p.width, ch = p.height;
  ASSERT_EQ(cw, 100);
  ASSERT_EQ(ch, 60);

  // A one-pixel checkerboard: white where x + y is even, the window's own colour elsewhere.
  int wrong = 0;
  for (int y = 33; y < 48; ++y)
    for (int x = 22; x < 76; ++x) wrong += p.At(x, y) != ((x + y) % 2 == 0 ? kWhite : kDarkColour);
  EXPECT_EQ(wrong, 0);

  // The orange frame on the outermost pixels, away from the boxes.
  for (int x : {25, 50, 75}) {
    EXPECT_EQ(p.At(x, 0), kOrange) << x;
    EXPECT_EQ(p.At(x, ch - 1), kOrange) << x;
  }
  for (int y : {25, 30, 35}) {
    EXPECT_EQ(p.At(0, y), kOrange) << y;
    EXPECT_EQ(p.At(cw - 1, y), kOrange) << y;
  }

  // Boxes: orange outlines, white inside; crosses in the top and left lock boxes (set by
  // default), none in the bottom and right ones, nor in the handles.
  const struct {
    RECT box;
    bool cross;
  } boxes[] = {{node->moveBox, false},       {node->resizeBox, false},   {node->topLockBox, true},
               {node->leftLockBox, true},    {node->bottomLockBox, false}, {node->rightLockBox, false}};
  for (const auto& b : boxes) {
    const RECT& r = b.box;
    SCOPED_TRACE(testing::Message() << "box " << r.left << "," << r.top << "," << r.right << "," << r.bottom);
    EXPECT_EQ(p.At((r.left + r.right) / 2, r.bottom - 1), kOrange);
    EXPECT_EQ(p.At(r.right - 1, (r.top + r.bottom) / 2), kOrange);
    const RECT inside = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (b.cross) {
      EXPECT_GT(OrangeIn(p, inside), 6);
    } else {
      EXPECT_EQ(OrangeIn(p, inside), 0);
      EXPECT_EQ(p.At(r.left + 2, r.top + 2), kWhite);
    }
  }

  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  SaveScreenshot(host, L"..\\screenshots\\layout-design-mode.bmp");

  // Leaving design mode paints the window as it is again.
  ControlRightClick(target, 30, 45);
  const designtest::Pixels after = designtest::ReadClient(target);
  EXPECT_EQ(after.At(45, 35), kDarkColour);
  EXPECT_EQ(after.At(46, 35), kDarkColour);
  EXPECT_EQ(after.At(50, 0), kDarkColour);
  EXPECT_EQ(after.At(5, 5), kDarkColour);
}

TEST_F(DesignMode, DraggingTheMoveHandleSnapsTowardZeroAndRecordsThePlace) {
  ASSERT_NO_FATAL_FAILURE(GrabMoveHandle());
  const DragStep cases[] = {
      {1, 13, 22, {12, 20, 100, 60}},   // 13 -> 12, 22 -> 20
      {1, -5, -6, {-4, -4, 100, 60}},   // toward zero: -5 -> -4, -6 -> -4
      {1, 101, 87, {100, 84, 100, 60}},
      {0, 13, 22, {13, 22, 100, 60}},   // without snapping the grabbed point stays under the pointer
      {0, -5, -6, {-5, -6, 100, 60}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "to (" << c.x << ", " << c.y << ") snap " << c.option);
    node->snapToGrid = c.option;
    PointerTo(host, c.x + 5, c.y + 5);
    EXPECT_EQ(ChildBox(target), c.want);
    EXPECT_EQ(std::vector<int>({node->left, node->top, node->right, node->bottom}),
              std::vector<int>({c.want.x, c.want.y, c.want.x + 100, c.want.y + 60}));
  }
  LeftUp();
  EXPECT_EQ(node->moving, 0);
  EXPECT_EQ(::GetCapture(), nullptr);
  // Once released, the pointer moves on alone.
  PointerTo(host, 300, 250);
  EXPECT_EQ(ChildBox(target), (Box{-5, -6, 100, 60}));

  // A window with a border keeps the grabbed point under the pointer too.
  HWND bordered = MakeChild(host, 3, 40, 150, 100, 60, WS_BORDER);
  CPositionWnd borderedNode;
  borderedNode.Attach(bordered, 0);
  borderedNode.snapToGrid = 0;
  borderedNode.EnterDesignMode(0);
  PointerTo(bordered, 5, 5);
  LeftDown();
  ASSERT_EQ(borderedNode.moving, 1);
  PointerTo(host, 57, 163);
  POINT grabbed = {5, 5};
  ::MapWindowPoints(bordered, host, &grabbed, 1);
  EXPECT_EQ(std::vector<int>({grabbed.x, grabbed.y}), std::vector<int>({57, 163}));
  EXPECT_EQ(ChildBox(bordered), (Box{51, 157, 100, 60}));
  LeftUp();
}

TEST_F(DesignMode, StickyDockPutsTheDraggedEdgeOntoASiblingsEdge) {
  ASSERT_NO_FATAL_FAILURE(GrabMoveHandle());
  // The sibling spans 200..280 across and 40..100 down; the target is 100 x 60.
  const DragStep cases[] = {
      {1, 286, 44, {280, 44, 100, 60}},  // left edge 4 (snapped) right of the sibling's right edge
      {1, 290, 44, {280, 44, 100, 60}},  // 10 right: still docks
      {1, 294, 44, {292, 44, 100, 60}},  // 12 right: too far
      {1, 95, 32, {100, 32, 100, 60}},   // right edge 8 short of the sibling's left edge
      {1, 200, 106, {200, 100, 100, 60}},  // top edge 4 under the sibling's bottom edge
      {0, 286, 44, {284, 44, 100, 60}},  // docking off: only snapped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "to (" << c.x << ", " << c.y << ") dock " << c.option);
    node->stickyDock = c.option;
    PointerTo(host, c.x + 5, c.y + 5);
    EXPECT_EQ(ChildBox(target), c.want);
    EXPECT_EQ(node->left, c.want.x);
  }
  LeftUp();
}

TEST_F(DesignMode, ResizingFollowsThePointerAndKeepsTheLeastSize) {
  HWND bordered = MakeChild(host, 3, 40, 150, 100, 60, WS_BORDER);
  auto extra = std::make_unique<CPositionWnd>();
  extra->Attach(bordered, 0);
  const struct {
    HWND hWnd;
    CPositionWnd* node;
    int snap;
    int dx, dy;  // pointer travel from the press
    Box want;
  } cases[] = {
      {target, node, 1, 13, 7, {40, 40, 112, 64}},       // 113 x 67, snapped
      {target, node, 1, -120, -120, {40, 40, 8, 8}},     // floor 10 x 10, snapped to 8 x 8
      {target, node, 0, -120, -120, {40, 40, 10, 10}},   // floor 10 x 10
      {target, node, 0, -1, 3, {40, 40, 99, 63}},
      {bordered, extra.get(), 0, 1, 1, {40, 150, 101, 61}},  // the frame does not shrink it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "travel (" << c.dx << ", " << c.dy << ") snap " << c.snap);
    ::SetWindowPos(c.hWnd, nullptr, 0, 0, 100, 60, SWP_NOMOVE | SWP_NOZORDER);
    c.node->snapToGrid = c.snap;
    c.node->EnterDesignMode(0);
    RECT client = {};
    ::GetClientRect(c.hWnd, &client);
    const POINT press = {client.right - 5, client.bottom - 5};
    PointerTo(c.hWnd, press.x, press.y);
    LeftDown();
    ASSERT_EQ(c.node->resizing, 1);
    PointerTo(c.hWnd, press.x + c.dx, press.y + c.dy);
    EXPECT_EQ(ChildBox(c.hWnd), c.want);
    EXPECT_EQ(std::vector<int>({c.node->width, c.node->height}), std::vector<int>({c.want.width, c.want.height}));
    LeftUp();
    EXPECT_EQ(c.node->resizing, 0);
    c.node->LeaveDesignMode();
  }
}

TEST_F(DesignMode, PointerShapesFollowTheBoxAndTheLock) {
  node->EnterDesignMode(0);
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  const struct {
    int x, y;
    bool locked;
    HCURSOR want;
  } cases[] = {
      {5, 5, false, ::LoadCursorW(nullptr, IDC_SIZEALL)},
      {95, 55, false, ::LoadCursorW(nullptr, IDC_SIZENWSE)},
      {15, 5, false, CDesignCursors::Get(CDesignCursors::kTopUnlocked)},
      {15, 5, true, CDesignCursors::Get(CDesignCursors::kTopLocked)},
      {5, 15, false, CDesignCursors::Get(CDesignCursors::kLeftUnlocked)},
      {5, 15, true, CDesignCursors::Get(CDesignCursors::kLeftLocked)},
      {85, 55, false, CDesignCursors::Get(CDesignCursors::kBottomUnlocked)},
      {85, 55, true, CDesignCursors::Get(CDesignCursors::kBottomLocked)},
      {95, 45, false, CDesignCursors::Get(CDesignCursors::kRightUnlocked)},
      {95, 45, true, CDesignCursors::Get(CDesignCursors::kRightLocked)},
      {50, 30, false, arrow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "at (" << c.x << ", " << c.y << ") locked " << c.locked);
    ASSERT_NE(c.want, nullptr);
    node->topLock = node->leftLock = node->bottomLock = node->rightLock = c.locked ? 1 : 0;
    ::SetCursor(arrow);
    node->SetDesignCursor(c.x, c.y);
    EXPECT_EQ(::GetCursor(), c.want);
  }
  // The real pointer over a box gets the shape from the move message.
  node->topLock = 1;
  PointerTo(target, 50, 30);
  PointerTo(target, 14, 4);
  EXPECT_EQ(::GetCursor(), CDesignCursors::Get(CDesignCursors::kTopLocked));
}

TEST(DesignPointers, TheSixImagesAreMadeBitForBitWithTheHotSpotInTheMiddle) {
  CPositionWnd node;  // making a node makes the shapes
  // AND rows then XOR rows, top row first, leftmost pixel in the most significant bit.
  const std::uint16_t images[6][32] = {
      {0x0000, 0x0000, 0x0000, 0x0000, 0x0F0F, 0x0E07, 0x0C03, 0x0C03, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F, 0x0FFF,
       0x0FFF, 0x0FFF, 0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9090, 0x9108, 0x9204, 0x939C, 0x9090, 0x9090, 0x9090, 0x9090,
       0x90F0, 0x9000, 0x9000, 0xF000},
      {0x0000, 0x0000, 0x0000, 0x0000, 0x0FFF, 0x0FFF, 0x0CFF, 0x08FF, 0x0007, 0x0007, 0x0007, 0x0007, 0x08FF, 0x0CFF,
       0x0FFF, 0x0FFF, 0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9000, 0x9000, 0x9300, 0x9500, 0x99F8, 0x9008, 0x9008, 0x99F8,
       0x9500, 0x9300, 0x9000, 0xF000},
      {0x0000, 0x0000, 0x0000, 0x0000, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF,
       0x0FFF, 0x0FFF, 0xFFFF, 0x8001, 0x8001, 0x9FFF, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000, 0x9000,
       0x9000, 0x9000, 0x9000, 0xF000},
      {0xFFF0, 0xFFF0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0xC030, 0xC030, 0xE070, 0xF0F0, 0x0000, 0x0000,
       0x0000, 0x0000, 0x000F, 0x0009, 0x0F09, 0x0909, 0x0909, 0x0909, 0x0909, 0x0909, 0x39C9, 0x2049, 0x1089, 0x0909,
       0xFFF9, 0x8001, 0x8001, 0xFFFF},
      {0xFFF0, 0xFFF0, 0xFF30, 0xFF10, 0xC000, 0xC000, 0xC000, 0xC000, 0xFF10, 0xFF30, 0xFFF0, 0xFFF0, 0x0000, 0x0000,
       0x0000, 0x0000, 0x000F, 0x0009, 0x00C9, 0x00A9, 0x3F99, 0x2009, 0x2009, 0x3F99, 0x00A9, 0x00C9, 0x0009, 0x0009,
       0xFFF9, 0x8001, 0x8001, 0xFFFF},
      {0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0x0000, 0x0000,
       0x0000, 0x0000, 0x000F, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009, 0x0009,
       0xFFF9, 0x8001, 0x8001, 0xFFFF},
  };
  const struct {
    CDesignCursors::Shape shape;
    int image;
  } shapes[] = {{CDesignCursors::kTopUnlocked, 1},    {CDesignCursors::kTopLocked, 3},
                {CDesignCursors::kLeftUnlocked, 2},   {CDesignCursors::kLeftLocked, 3},
                {CDesignCursors::kBottomUnlocked, 4}, {CDesignCursors::kBottomLocked, 6},
                {CDesignCursors::kRightUnlocked, 5},  {CDesignCursors::kRightLocked, 6}};
  for (const auto& s : shapes) {
    SCOPED_TRACE(testing::Message() << "shape " << s.shape << " image " << s.image);
    const HCURSOR cursor = CDesignCursors::Get(s.shape);
    ASSERT_NE(cursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 8u);
    EXPECT_EQ(info.yHotspot, 8u);
    EXPECT_EQ(info.hbmColor, nullptr) << "a monochrome pointer";
    BITMAP mask = {};
    ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 16);
    EXPECT_EQ(mask.bmHeight, 32) << "the AND plane over the XOR plane";
    BYTE bits[64] = {};
    EXPECT_EQ(::GetBitmapBits(info.hbmMask, sizeof(bits), bits), 64);
    std::vector<int> got, want;
    for (int row = 0; row < 32; ++row) {
      got.push_back(bits[2 * row] << 8 | bits[2 * row + 1]);
      want.push_back(images[s.image - 1][row]);
    }
    EXPECT_EQ(got, want);
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
  }
  // Made once: a later node finds the same shapes.
  const HCURSOR first = CDesignCursors::Get(CDesignCursors::kTopUnlocked);
  CPositionWnd another;
  EXPECT_EQ(CDesignCursors::Get(CDesignCursors::kTopUnlocked), first);
}

namespace {

std::vector<std::wstring> Texts(const std::vector<MenuItem>& items) {
  std::vector<std::wstring> texts;
  for (const auto& item : items) texts.push_back(item.separator ? L"-" : item.text);
  return texts;
}

std::vector<bool> Checks(const std::vector<MenuItem>& items) {
  std::vector<bool> checks;
  for (const auto& item : items) checks.push_back(item.checked);
  return checks;
}

}  // namespace

TEST_F(DesignMode, TheMenuShowsTheOptionsAndItsCommandsChangeThem) {
  const int presses = Count(target, WM_RBUTTONDOWN);
  ControlRightClick(target, 30, 45);
  ASSERT_EQ(node->designMode, 1);

  // A fresh node, and a menu dismissed without a choice.
  std::vector<MenuItem> items = RightClickMenu(target, 50, 45, 0);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(Texts(items),
            std::vector<std::wstring>({L"Select Parent", L"Hide Children", L"-", L"Sticky Dock", L"Snap-To Grid"}));
  EXPECT_EQ(std::vector<UINT>({items[0].id, items[1].id, items[3].id, items[4].id}), std::vector<UINT>({1, 2, 3, 4}));
  EXPECT_EQ(Checks(items), std::vector<bool>({false, false, false, false, true}));
  EXPECT_EQ(std::vector<int>({node->designMode, node->stickyDock, node->snapToGrid, node->childrenHidden}),
            std::vector<int>({1, 0, 1, 0}));
  EXPECT_EQ(Count(target, WM_RBUTTONDOWN), presses + 1) << "after the menu the window gets the press";

  // Each command, then what the next menu shows.
  const struct {
    UINT choose;
    const wchar_t* childrenText;
    bool dock, snap, innerVisible;
  } steps[] = {
      {3, L"Hide Children", true, true, true},    // Sticky Dock on
      {4, L"Hide Children", true, false, true},   // Snap-To Grid off
      {2, L"Show Children", true, false, false},  // Hide Children
      {3, L"Show Children", false, false, false},
      {4, L"Show Children", false, true, false},
      {2, L"Hide Children", false, true, true},   // Show Children
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << "command " << s.choose);
    ASSERT_EQ(RightClickMenu(target, 50, 45, s.choose).size(), 5u);
    EXPECT_EQ(node->stickyDock, s.dock ? 1 : 0);
    EXPECT_EQ(node->snapToGrid, s.snap ? 1 : 0);
    EXPECT_EQ(InnerVisible(0), s.innerVisible);
    EXPECT_EQ(InnerVisible(1), s.innerVisible);
    items = RightClickMenu(target, 50, 45, 0);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[1].text, s.childrenText);
    EXPECT_EQ(Checks(items), std::vector<bool>({false, false, false, s.dock, s.snap}));
  }

  // Hidden through the menu, shown again by leaving design mode: the menu still offers to
  // show them, and the options survive.
  RightClickMenu(target, 50, 45, 2);
  ASSERT_FALSE(InnerVisible(0));
  ControlRightClick(target, 50, 45);
  EXPECT_EQ(node->designMode, 0);
  EXPECT_TRUE(InnerVisible(0) && InnerVisible(1));
  ControlRightClick(target, 50, 45);
  items = RightClickMenu(target, 50, 45, 0);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[1].text, L"Show Children");
  EXPECT_EQ(Checks(items), std::vector<bool>({false, false, false, false, true}));
  EXPECT_EQ(node->designMode, 1);
}

TEST(DesignModeWithoutWindow, EveryOperationIsIgnored) {
  CPositionWnd node;
  node.EnterDesignMode(1);
  EXPECT_EQ(node.designMode, 0);
  EXPECT_EQ(node.childrenHidden, 0);
  node.designMode = 1;
  node.ShowDesignMenu();  // would wait for a choice if it opened
  node.LeaveDesignMode();
  EXPECT_EQ(node.designMode, 1);
  int x = 13, y = 17;
  node.DockToSiblings(x, y);
  EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({13, 17}));
}

TEST(MainDialogDesignMode, SelectParentPutsTheDialogIntoDesignModeWithItsControlsHidden) {
  harness::FakeUi ui;
  harness::TestDlg dlg;
  ASSERT_TRUE(dlg.Create(nullptr));
  ::SetWindowPos(dlg, HWND_TOP, 60, 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  Settle();
  // The program's own layout root, which its set-up attached.
  CPositionWnd& root = dlg.m_layout;
  ASSERT_EQ(root.window, dlg.GetHwnd());
  ASSERT_EQ(CPositionWnd::FromHandle(dlg), &root);
  ASSERT_EQ(root.children.size(), 9u);
  HWND open = ::GetDlgItem(dlg, 1001);
  CPositionWnd* openNode = NodeOf(root, open);
  ASSERT_NE(openNode, nullptr);
  RECT client = {};
  ::GetClientRect(open, &client);

  ControlRightClick(open, client.right / 2, client.bottom / 2);
  ASSERT_EQ(openNode->designMode, 1);
  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  SaveScreenshot(dlg, L"..\\screenshots\\layout-design-mode-button.bmp");
  ASSERT_EQ(RightClickMenu(open, client.right / 2, client.bottom / 2, 1).size(), 5u);
  EXPECT_EQ(root.designMode, 1);
  EXPECT_EQ(root.childrenHidden, 1);
  for (auto& child : root.children) EXPECT_FALSE(::IsWindowVisible(child->window)) << ::GetDlgCtrlID(child->window);
  EXPECT_EQ(openNode->designMode, 1);
  SaveScreenshot(dlg, L"..\\screenshots\\layout-design-mode-dialog.bmp");

  // The dialog has no parent to select.
  ASSERT_EQ(RightClickMenu(dlg, 60, 60, 1).size(), 5u);
  EXPECT_EQ(root.designMode, 1);

  // Dragged by its move handle, the dialog keeps the grabbed point under the pointer on the
  // screen; with snapping on, its outer corner lands on the grid. Sent as messages: a
  // top-level window is a window of its own on the X display, which reports pointer
  // positions against where the window was before a move, so real input would chase them.
  const LPARAM grab = MAKELPARAM(5, 5);
  ::SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, grab);
  ASSERT_EQ(root.moving, 1);
  POINT pointer = {5, 5};
  ::ClientToScreen(dlg, &pointer);
  for (int snap : {0, 1, 0}) {
    SCOPED_TRACE(testing::Message() << "snap " << snap);
    root.snapToGrid = snap;
    pointer.x += 37;
    pointer.y += 23;
    POINT at = pointer;
    ::ScreenToClient(dlg, &at);
    ::SendMessageW(dlg, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    POINT grabbed = {5, 5};
    ::ClientToScreen(dlg, &grabbed);
    RECT outer = {};
    ::GetWindowRect(dlg, &outer);
    if (snap) {
      EXPECT_EQ(std::vector<int>({outer.left % 4, outer.top % 4}), std::vector<int>({0, 0}));
      EXPECT_TRUE(pointer.x - grabbed.x >= 0 && pointer.x - grabbed.x <= 3) << pointer.x - grabbed.x;
      EXPECT_TRUE(pointer.y - grabbed.y >= 0 && pointer.y - grabbed.y <= 3) << pointer.y - grabbed.y;
    } else {
      EXPECT_EQ(std::vector<int>({grabbed.x, grabbed.y}), std::vector<int>({pointer.x, pointer.y}));
    }
  }
  ::SendMessageW(dlg, WM_LBUTTONUP, 0, grab);
  EXPECT_EQ(root.moving, 0);
  Settle();

  // Control + right click on the dialog leaves design mode and shows everything again.
  ControlRightClick(dlg, 60, 60);
  EXPECT_EQ(root.designMode, 0);
  for (auto& child : root.children) EXPECT_TRUE(::IsWindowVisible(child->window)) << ::GetDlgCtrlID(child->window);
  ControlRightClick(open, client.right / 2, client.bottom / 2);
  EXPECT_EQ(openNode->designMode, 0);
  ::DestroyWindow(dlg);
  Settle();
}
