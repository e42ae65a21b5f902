// Tree-view wrapper: each method is one message.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "framework/CWindow.h"

class CTreeCtrl : public CWindow {
 public:
  // Inserts a root item after the last one, with its text and item data in one call.
  HTREEITEM InsertRootItem(LPCWSTR text, LPARAM data) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<LPWSTR>(text);
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT))); }
  UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  BOOL SelectItem(HTREEITEM item) { return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item))); }
  LPARAM GetItemData(HTREEITEM item) const {
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    return SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) ? tv.lParam : 0;
  }
  std::wstring GetItemText(HTREEITEM item) const {
    wchar_t buffer[520] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = 520;
    SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return buffer;
  }
  void SetRedraw(BOOL redraw) { SendMessage(WM_SETREDRAW, redraw); }
};
