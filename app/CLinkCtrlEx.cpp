#include "app/CLinkCtrlEx.h"

#include <cwchar>

#include "framework/CDialog.h"
#include "framework/CPlatformUi.h"

bool CLinkCtrlEx::IsOpenableTarget(LPCWSTR target) {
  if (!target || !target[0]) return false;
  const wchar_t* dot = std::wcschr(target, L'.');
  return dot && dot > target;
}

bool CLinkCtrlEx::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == OCM_NOTIFY_SORV && reinterpret_cast<const NMHDR*>(lParam)->code == NM_CLICK) {
    result = OnClick(reinterpret_cast<const NMLINK*>(lParam));
    return true;
  }
  return CLinkCtrl::OnMessage(msg, wParam, lParam, result);
}

LRESULT CLinkCtrlEx::OnClick(const NMLINK* link) {
  if (IsOpenableTarget(link->item.szUrl))
    CPlatformUi::Current().Execute(nullptr, L"Open", link->item.szUrl, SW_SHOW);
  return 0;
}
