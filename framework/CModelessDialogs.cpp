#include "framework/CModelessDialogs.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<HWND> g_dialogs;
HHOOK g_hook = nullptr;
// IsDialogMessage runs the thread's message filters itself: not routed a second time.
bool g_routing = false;

LRESULT CALLBACK MsgFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && CModelessDialogs::Route(reinterpret_cast<MSG*>(lParam))) return TRUE;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void CModelessDialogs::Add(HWND dialog) {
  if (!dialog || std::find(g_dialogs.begin(), g_dialogs.end(), dialog) != g_dialogs.end()) return;
  g_dialogs.push_back(dialog);
  if (!g_hook) g_hook = ::SetWindowsHookExW(WH_MSGFILTER, &MsgFilter, nullptr, ::GetCurrentThreadId());
}

void CModelessDialogs::Remove(HWND dialog) {
  g_dialogs.erase(std::remove(g_dialogs.begin(), g_dialogs.end(), dialog), g_dialogs.end());
  if (g_dialogs.empty() && g_hook) {
    ::UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
  }
}

bool CModelessDialogs::Route(MSG* msg) {
  if (g_routing || !msg || !msg->hwnd) return false;
  for (HWND dialog : g_dialogs) {
    if (!::IsWindow(dialog) || (msg->hwnd != dialog && !::IsChild(dialog, msg->hwnd))) continue;
    g_routing = true;
    const bool handled = ::IsDialogMessageW(dialog, msg) != FALSE;
    g_routing = false;
    return handled;
  }
  return false;
}
