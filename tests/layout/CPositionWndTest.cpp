// The live layout tree on real windows: what Attach builds and records, which size messages
// re-place the children, how a resize spreads down the tree, the message table, and living
// together with the framework's subclassing.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "layout/CPositionWnd.h"
#include "framework/CWindow.h"
#include "tests/layout/LayoutTestWindows.h"
#include "tests/app/MainDialogHarness.h"

using layouttest::Box;
using layouttest::ChildBox;
using layouttest::Count;
using layouttest::kAppAnswer;
using layouttest::MakeChild;
using layouttest::NodeOf;

namespace {

// left, top, right, bottom, width, height
std::vector<int> Geometry(const CPositionWnd& n) { return {n.left, n.top, n.right, n.bottom, n.width, n.height}; }

// A top-level host with a 400 x 300 client area. The windows are destroyed before the
// tree, as the main dialog does it.
class LayoutTree : public ::testing::Test {
 protected:
  void SetUp() override {
    host = layouttest::MakeTopLevel(L"host", 400, 300);
    ASSERT_NE(host, nullptr);
    const SIZE client = harness::ClientSize(host);
    ASSERT_EQ(client.cx, 400);
    ASSERT_EQ(client.cy, 300);
  }
  void TearDown() override {
    if (::IsWindow(host)) ::DestroyWindow(host);
  }
  CPositionWnd root;
  HWND host = nullptr;
};

}  // namespace

TEST_F(LayoutTree, AttachMirrorsTheWindowsAndRecordsThemByTheThinBorderRule) {
  HWND plain = MakeChild(host, 1, 10, 20, 100, 30);
  HWND bordered = MakeChild(host, 2, 10, 60, 100, 30, WS_BORDER);
  HWND edged = MakeChild(host, 3, 10, 100, 100, 30, 0, WS_EX_CLIENTEDGE);
  HWND scrolled = MakeChild(host, 4, 150, 20, 120, 100, WS_BORDER | WS_VSCROLL);
  HWND inner = MakeChild(scrolled, 5, 3, 4, 20, 10);
  ASSERT_GE(::GetSystemMetrics(SM_CXVSCROLL), 4);  // so the scroll bar side is 5 pixels or more

  root.Attach(host, 1);

  // One node per window, in the window system's order, at every depth.
  std::vector<HWND> order;
  for (HWND c = ::GetWindow(host, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) order.push_back(c);
  ASSERT_EQ(root.children.size(), order.size());
  ASSERT_EQ(order.size(), 4u);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(root.children[i]->window, order[i]) << i;
  for (HWND w : {host, plain, bordered, edged, scrolled, inner}) {
    ASSERT_NE(CPositionWnd::FromHandle(w), nullptr);
    EXPECT_EQ(CPositionWnd::FromHandle(w)->window, w);
    EXPECT_EQ(::GetWindowLongPtrW(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CPositionWnd::LayoutWndProc));
  }
  CPositionWnd* scrolledNode = NodeOf(root, scrolled);
  ASSERT_NE(scrolledNode, nullptr);
  ASSERT_EQ(scrolledNode->children.size(), 1u);
  EXPECT_EQ(scrolledNode->children[0]->window, inner);

  // The root has no parent: its frame and caption are wider than a thin border, so it is
  // recorded from its client origin with its outer size.
  RECT outer = {};
  ::GetWindowRect(host, &outer);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  EXPECT_EQ(Geometry(root), std::vector<int>({0, 0, w, h, w, h}));

  // Thin borders (1 and 2 pixels) are recorded at the outer edge; the scroll-barred window
  // at its client origin across, at its outer edge down; sizes are always outer.
  EXPECT_EQ(Geometry(*NodeOf(root, plain)), std::vector<int>({10, 20, 110, 50, 100, 30}));
  EXPECT_EQ(Geometry(*NodeOf(root, bordered)), std::vector<int>({10, 60, 110, 90, 100, 30}));
  EXPECT_EQ(Geometry(*NodeOf(root, edged)), std::vector<int>({10, 100, 110, 130, 100, 30}));
  EXPECT_EQ(Geometry(*scrolledNode), std::vector<int>({151, 20, 271, 120, 120, 100}));
  EXPECT_EQ(Geometry(*scrolledNode->children[0]), std::vector<int>({3, 4, 23, 14, 20, 10}));
  // Placing by the recorded values moves the scroll-barred window's outer edge onto its old
  // client origin, and leaves the thin-bordered ones where they are.
  NodeOf(root, scrolled)->PlaceWindow();
  NodeOf(root, bordered)->PlaceWindow();
  EXPECT_EQ(ChildBox(scrolled), (Box{151, 20, 120, 100}));
  EXPECT_EQ(ChildBox(bordered), (Box{10, 60, 100, 30}));
}

TEST_F(LayoutTree, LockedEdgesAreRecordedAsMarginsAndClearingALockRestoresTheEdge) {
  HWND anchored = MakeChild(host, 1, 10, 20, 100, 30);
  CPositionWnd node;
  node.rightLock = 1;
  node.bottomLock = 1;
  node.Attach(anchored, 0);
  EXPECT_EQ(Geometry(node), std::vector<int>({10, 20, 290, 250, 100, 30}));
  node.PlaceWindow();
  EXPECT_EQ(ChildBox(anchored), (Box{10, 20, 100, 30}));

  node.rightLock = 0;
  node.RecordGeometry();
  EXPECT_EQ(Geometry(node), std::vector<int>({10, 20, 110, 250, 100, 30}));
  node.PlaceWindow();
  EXPECT_EQ(ChildBox(anchored), (Box{10, 20, 100, 30}));
  ::DestroyWindow(anchored);
}

TEST_F(LayoutTree, OnlyRestoredAndMaximizedSizeMessagesReplaceTheChildren) {
  HWND a = MakeChild(host, 1, 10, 20, 100, 30);
  HWND b = MakeChild(host, 2, 200, 50, 60, 40, WS_BORDER);
  root.Attach(host, 1);
  const struct {
    WPARAM type;
    bool replaces;
  } cases[] = {{SIZE_MINIMIZED, false}, {SIZE_MAXSHOW, false}, {SIZE_MAXHIDE, false},
               {SIZE_RESTORED, true},   {SIZE_MAXIMIZED, true}};
  for (const auto& c : cases) {
    ::MoveWindow(a, 1, 2, 33, 44, FALSE);
    ::MoveWindow(b, 5, 6, 77, 88, FALSE);
    const int before = Count(host, WM_SIZE);
    ::SendMessageW(host, WM_SIZE, c.type, MAKELPARAM(400, 300));
    EXPECT_EQ(Count(host, WM_SIZE), before + 1) << "type " << c.type << " reaches the window's own procedure";
    EXPECT_EQ(ChildBox(a), (c.replaces ? Box{10, 20, 100, 30} : Box{1, 2, 33, 44})) << "type " << c.type;
    EXPECT_EQ(ChildBox(b), (c.replaces ? Box{200, 50, 60, 40} : Box{5, 6, 77, 88})) << "type " << c.type;
  }
}

TEST_F(LayoutTree, AResizeSpreadsDownOneLevelAtATime) {
  HWND panel = MakeChild(host, 1, 10, 10, 380, 280, WS_BORDER);  // client 378 x 278
  HWND corner = MakeChild(panel, 2, 300, 230, 60, 30);
  HWND pinned = MakeChild(panel, 3, 5, 5, 50, 20);
  root.Attach(host, 1);
  CPositionWnd* panelNode = NodeOf(root, panel);
  ASSERT_NE(panelNode, nullptr);
  CPositionWnd* cornerNode = NodeOf(*panelNode, corner);
  ASSERT_NE(cornerNode, nullptr);
  // The panel stretches with the host; the corner keeps its distance to the panel's
  // bottom-right corner.
  panelNode->bottomLock = panelNode->rightLock = 1;
  panelNode->RecordGeometry();
  cornerNode->topLock = cornerNode->leftLock = 0;
  cornerNode->bottomLock = cornerNode->rightLock = 1;
  cornerNode->RecordGeometry();

  harness::SetClientSize(host, 500, 380);
  EXPECT_EQ(ChildBox(panel), (Box{10, 10, 480, 360}));
  EXPECT_EQ(ChildBox(corner), (Box{400, 310, 60, 30}));
  EXPECT_EQ(ChildBox(pinned), (Box{5, 5, 50, 20}));

  // Smaller than designed: the panel keeps its designed size, the corner its designed place.
  harness::SetClientSize(host, 300, 200);
  EXPECT_EQ(ChildBox(panel), (Box{10, 10, 380, 280}));
  EXPECT_EQ(ChildBox(corner), (Box{300, 230, 60, 30}));

  // The host re-places only its own children: while the panel's size stays, nothing tells
  // the panel to re-place the corner.
  ::MoveWindow(corner, 1, 1, 60, 30, FALSE);
  const int panelSizes = Count(panel, WM_SIZE);
  ::SendMessageW(host, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
  EXPECT_EQ(Count(panel, WM_SIZE), panelSizes);
  EXPECT_EQ(ChildBox(corner), (Box{1, 1, 60, 30}));
}

TEST_F(LayoutTree, MessagesGoOnToTheWindowExceptPointerMessagesInDesignMode) {
  HWND child = MakeChild(host, 1, 10, 10, 50, 50);
  root.Attach(host, 1);
  CPositionWnd* node = NodeOf(root, child);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(::SendMessageW(child, WM_APP, 0, 0), kAppAnswer);  // the window's own answer

  const UINT pointer[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  const UINT others[] = {WM_LBUTTONDBLCLK, WM_KEYDOWN, WM_CHAR, WM_APP};
  for (int designMode : {0, 1}) {
    node->designMode = designMode;
    for (UINT msg : pointer) {
      const int before = Count(child, msg);
      ::SendMessageW(child, msg, 0, MAKELPARAM(3, 4));
      EXPECT_EQ(Count(child, msg), before + (designMode ? 0 : 1)) << "message " << msg << " design " << designMode;
    }
    for (UINT msg : others) {
      const int before = Count(child, msg);
      ::SendMessageW(child, msg, 0, 0);
      EXPECT_EQ(Count(child, msg), before + 1) << "message " << msg << " design " << designMode;
    }
    const int paints = Count(child, WM_PAINT);
    ::SendMessageW(child, WM_PAINT, 0, 0);
    EXPECT_EQ(Count(child, WM_PAINT), paints + 1) << "design " << designMode;
  }
  node->designMode = 0;
  // Outside design mode a right click without Control is the window's own.
  const int before = Count(child, WM_RBUTTONDOWN);
  ::SendMessageW(child, WM_RBUTTONDOWN, 0, MAKELPARAM(3, 4));
  EXPECT_EQ(Count(child, WM_RBUTTONDOWN), before + 1);
}

TEST_F(LayoutTree, AWindowThatOutlivesItsNodeKeepsItsOwnHandling) {
  HWND child = MakeChild(host, 1, 10, 10, 50, 50);
  HWND sub = MakeChild(child, 2, 1, 1, 5, 5);
  {
    CPositionWnd node;
    node.Attach(child, 1);
    ASSERT_EQ(CPositionWnd::FromHandle(child), &node);
  }
  EXPECT_EQ(CPositionWnd::FromHandle(child), nullptr);
  EXPECT_EQ(CPositionWnd::FromHandle(sub), nullptr);
  EXPECT_EQ(::SendMessageW(child, WM_APP, 0, 0), kAppAnswer);
  ::SetWindowPos(child, nullptr, 0, 0, 80, 80, SWP_NOZORDER);  // a size message with no node
  EXPECT_EQ(layouttest::ChildBox(sub), (Box{1, 1, 5, 5}));

  // A second node on a window that is already routed takes the route over rather than
  // making the layout procedure its own previous procedure.
  HWND other = MakeChild(host, 3, 100, 10, 50, 50);
  CPositionWnd first, second;
  first.Attach(other, 0);
  second.Attach(other, 0);
  EXPECT_EQ(CPositionWnd::FromHandle(other), &second);
  EXPECT_EQ(second.prevWndProc, first.prevWndProc);
  EXPECT_EQ(::SendMessageW(other, WM_APP, 0, 0), kAppAnswer);

  // When the window goes, the registry forgets it and the node lets go of the handle.
  ::DestroyWindow(other);
  EXPECT_EQ(CPositionWnd::FromHandle(other), nullptr);
  EXPECT_EQ(second.window, nullptr);
}

namespace {

// A framework wrapper that sees, and leaves to the window, what it counts.
class CountingWrapper : public CWindow {
 public:
  int apps = 0;
  int sizes = 0;
  bool finished = false;

 protected:
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
    if (msg == WM_APP) ++apps;
    if (msg == WM_SIZE) ++sizes;
    return false;
  }
  void OnFinalMessage(HWND) override { finished = true; }
};

}  // namespace

TEST(LayoutTreeWithFramework, BothSubclassingsSeeTheMessagesInEitherOrder) {
  for (bool wrapperFirst : {true, false}) {
    SCOPED_TRACE(wrapperFirst ? "wrapper bound before Attach" : "wrapper bound after Attach");
    auto tree = std::make_unique<CPositionWnd>();
    CountingWrapper wrapper;
    HWND host = layouttest::MakeTopLevel(L"host", 400, 300);
    HWND panel = MakeChild(host, 1, 10, 10, 380, 280);
    HWND corner = MakeChild(panel, 2, 300, 230, 60, 30);
    if (wrapperFirst) ASSERT_TRUE(wrapper.SubclassWindow(panel));
    tree->Attach(host, 1);
    if (!wrapperFirst) ASSERT_TRUE(wrapper.SubclassWindow(panel));
    CPositionWnd* panelNode = NodeOf(*tree, panel);
    ASSERT_NE(panelNode, nullptr);
    ASSERT_EQ(panelNode->children.size(), 1u);
    CPositionWnd* cornerNode = panelNode->children[0].get();
    panelNode->bottomLock = panelNode->rightLock = 1;
    panelNode->RecordGeometry();
    cornerNode->topLock = cornerNode->leftLock = 0;
    cornerNode->bottomLock = cornerNode->rightLock = 1;
    cornerNode->RecordGeometry();

    EXPECT_EQ(::SendMessageW(panel, WM_APP, 0, 0), kAppAnswer);
    EXPECT_EQ(wrapper.apps, 1);
    EXPECT_EQ(Count(panel, WM_APP), 1);
    // The host's node sizes the panel; the panel's size message passes the wrapper and the
    // panel's node, which places the corner.
    harness::SetClientSize(host, 450, 340);
    EXPECT_GT(wrapper.sizes, 0);
    EXPECT_EQ(ChildBox(panel), (Box{10, 10, 430, 320}));
    EXPECT_EQ(ChildBox(corner), (Box{350, 270, 60, 30}));

    // The windows go first: both hear of it and let go, then the tree and the wrapper go.
    ::DestroyWindow(host);
    EXPECT_TRUE(wrapper.finished);
    EXPECT_EQ(wrapper.GetHwnd(), nullptr);
    EXPECT_EQ(CPositionWnd::FromHandle(panel), nullptr);
    EXPECT_EQ(panelNode->window, nullptr);
    EXPECT_EQ(tree->window, nullptr);
    tree.reset();
  }
}

TEST(LayoutTreeWithFramework, AWrapperOnTopCanLeaveWhileTheNodeStays) {
  HWND host = layouttest::MakeTopLevel(L"host", 400, 300);
  HWND panel = MakeChild(host, 1, 10, 10, 380, 280);
  CPositionWnd tree;
  tree.Attach(host, 1);
  CountingWrapper wrapper;
  ASSERT_TRUE(wrapper.SubclassWindow(panel));
  EXPECT_EQ(::SendMessageW(panel, WM_APP, 0, 0), kAppAnswer);
  wrapper.UnsubclassWindow();
  EXPECT_EQ(::GetWindowLongPtrW(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CPositionWnd::LayoutWndProc));
  EXPECT_EQ(::SendMessageW(panel, WM_APP, 0, 0), kAppAnswer);
  EXPECT_EQ(wrapper.apps, 1);
  ::MoveWindow(panel, 0, 0, 10, 10, FALSE);
  ::SendMessageW(host, WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 300));
  EXPECT_EQ(ChildBox(panel), (Box{10, 10, 380, 280}));
  ::DestroyWindow(host);
}
