// One node of the live layout tree. Attached to a window, it takes over the window's
// messages (passing on what it does not consume), keeps the window's designed geometry and
// four edge locks, and re-places the windows of its child nodes whenever its own window is
// resized. The nodes also carry the state of the layout design mode.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "layout/CPositionWndConfig.h"
#include "layout/Placement.h"

class CPositionWnd {
 public:
  // The first node made also makes the shared design-mode pointer shapes.
  CPositionWnd();
  // Destroys the child nodes first. The window keeps LayoutWndProc: its messages go on to the
  // previous procedure and never reach this freed node.
  ~CPositionWnd();
  CPositionWnd(const CPositionWnd&) = delete;
  CPositionWnd& operator=(const CPositionWnd&) = delete;

  // Binds the node to `hWnd`, routes its messages through LayoutWndProc, registers it and
  // records its geometry; with `recursive` non-zero every child window, at any depth, gets
  // a node of its own (in the window system's order: first child, then next siblings).
  void Attach(HWND hWnd, int recursive);
  // Measures the window into left/top/right/bottom/width/height, in the form the locks ask.
  void RecordGeometry();
  // Moves and sizes the node's window inside its parent's client area by the placement rule.
  void PlaceWindow();
  // Re-places the windows of the direct child nodes; only for the size types 0 (restored)
  // and 2 (maximized).
  void RelayoutChildren(int sizeType);

  // Parses a layout description (narrow text in the thread's ANSI code page) and applies it
  // to this node and its subtree. A description that does not parse throws
  // CXMLParser::Exception before anything is applied.
  void LoadConfig(const char* pszText);
  // Finds this node among `parentRecord`'s children by its layout key, takes over the
  // record's ten values, places the window and goes on into the child nodes.
  void ApplyConfig(const CPositionWndConfig& parentRecord);
  // The key a description names the window by: its control id in decimal when positive,
  // else its window text in the thread's ANSI code page.
  std::string LayoutKey() const;

  // The procedure installed on every attached window.
  static LRESULT CALLBACK LayoutWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The node registered for `hWnd`, or null.
  static CPositionWnd* FromHandle(HWND hWnd);

  sorv::layout::LayoutValues Values() const;

  // Layout design mode (CPositionWndDesign.cpp). Each does nothing without a window.
  // Raises the window, hides the child windows when `hideChildren` is non-zero, and paints
  // the overlay, which places the hit boxes.
  void EnterDesignMode(int hideChildren);
  // Ends any drag, shows every child window again and paints the window without overlay.
  void LeaveDesignMode();
  // The context menu at the pointer: select parent, hide/show children, sticky dock, snap.
  void ShowDesignMenu();
  // The pointer shape of the box under (x, y), client coordinates; the arrow elsewhere.
  void SetDesignCursor(int x, int y);
  // Moves a proposed position (nx, ny) of the window in its parent onto a sibling's edge
  // when an edge of the window lies within 10 pixels outside it.
  void DockToSiblings(int& nx, int& ny);

  HWND window = nullptr;          // not owned
  WNDPROC prevWndProc = nullptr;  // gets every message the node does not consume
  std::int32_t designMode = 0;
  std::int32_t moving = 0;
  std::int32_t resizing = 0;
  std::int32_t topLock = 1;
  std::int32_t leftLock = 1;
  std::int32_t bottomLock = 0;
  std::int32_t rightLock = 0;
  std::int32_t stickyDock = 0;
  std::int32_t childrenHidden = 0;
  std::int32_t snapToGrid = 1;
  // Set by a Control + right press that switched the mode: its release is consumed too, so
  // the window (an edit's context menu) never sees that click.
  std::int32_t switchReleasePending = 0;
  RECT moveBox = {};
  RECT resizeBox = {};
  RECT topLockBox = {};
  RECT leftLockBox = {};
  RECT bottomLockBox = {};
  RECT rightLockBox = {};
  RECT pressClientRect = {};
  POINT pressPoint = {};
  SIZE pressWindowSize = {};  // outer size at the press: a resize starts from it
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::unique_ptr<CPositionWnd>> children;

 protected:
  // Layout design mode, reached only through LayoutWndProc (CPositionWndDesign.cpp).
  // Right-button press with its key flags: true when the message is consumed.
  bool OnDesignRButtonDown(WPARAM keys, int x, int y);
  // Right-button release: true when it ends the click that switched the mode.
  bool OnDesignRButtonUp();
  // After the window's own painting, while in design mode.
  void PaintOverlay();
  // Pointer messages while in design mode; the window itself does not see them.
  void OnDesignLButtonDown(int x, int y);
  void OnDesignLButtonUp(int x, int y);
  void OnDesignMouseMove(int x, int y);

 private:
  // Applies the placement rule inside a parent client area and moves the window there.
  void PlaceIn(const RECT& parentClient);
  // The parent in layout terms: none for a top-level window, even one with an owner.
  HWND LayoutParent() const;

  enum class DesignHit { kNone, kMove, kResize, kTopLock, kLeftLock, kBottomLock, kRightLock };
  // The first box containing (x, y), in the fixed order move, resize, top, left, bottom, right.
  DesignHit HitTest(int x, int y) const;
  // Ends a drag: lets go of the mouse if this window holds it, clears moving and resizing.
  void EndDrag();
  void DragMove(int x, int y);
  void DragResize(int x, int y);
};
