#include "app/DropListWidth.h"


void FitDropListToTexts(CComboBox& combo) {
  if (!combo.GetHwnd()) return;
  HDC dc = ::GetDC(combo.GetHwnd());
  if (!dc) return;
  const HFONT font = reinterpret_cast<HFONT>(combo.SendMessage(WM_GETFONT));
  const HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  int widest = 0;
  for (int i = 0; i < combo.GetCount(); ++i) {
    const std::wstring text = combo.GetLBText(i);
    SIZE size = {};
    if (::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
      widest = size.cx;
  }
  if (old) ::SelectObject(dc, old);
  ::ReleaseDC(combo.GetHwnd(), dc);
  // Item margins (a few pixels each side), the list's border and a vertical scroll bar.
  const int width = widest + 8 + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
  RECT box = {};
  ::GetWindowRect(combo.GetHwnd(), &box);
  combo.SetDroppedWidth(width > box.right - box.left ? width : box.right - box.left);
}
