// Layout design mode: the entry points LayoutWndProc routes to. Design mode itself comes
// with its own change; until then the right-button press consumes nothing and the others,
// reachable only while designMode is set, do nothing.
#include "CPositionWnd.h"

bool CPositionWnd::OnDesignRButtonDown(WPARAM, int, int) { return false; }

void CPositionWnd::PaintOverlay() {}

void CPositionWnd::OnDesignLButtonDown(int, int) {}

void CPositionWnd::OnDesignLButtonUp(int, int) {}

void CPositionWnd::OnDesignMouseMove(int, int) {}
