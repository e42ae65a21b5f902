// A status bar docked along the bottom of its parent, with fixed-width panes that each carry
// an identifier. Notifications from windows placed inside it (the link) are reflected back
// to their wrappers, as the dialog does for its own controls.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/CWindow.h"

class CStatusBar : public CWindow {
 public:
  // Makes the bar as a visible child of `parent` with control id `id`.
  bool Create(HWND parent, UINT id);
  // One pane per identifier, each of width 0 until SetPaneInfo.
  bool SetIndicators(const UINT* ids, int count);
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  UINT GetPaneId(int index) const { return m_panes.at(static_cast<size_t>(index)).id; }
  int GetPaneWidth(int index) const { return m_panes.at(static_cast<size_t>(index)).width; }
  int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
  // Sets a pane's text; `update` repaints the bar at once.
  bool SetPaneText(int index, LPCWSTR text, bool update = true);
  std::wstring GetPaneText(int index) const;

 protected:
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  struct Pane {
    UINT id;
    UINT style;
    int width;
  };
  void ApplyParts();
  std::vector<Pane> m_panes;
};

// Docks the control bars among `parent`'s children whose ids lie in [first, last] (the
// status bar sizes itself along the bottom of its parent when told the parent's size).
void RepositionBars(HWND parent, UINT first, UINT last);
