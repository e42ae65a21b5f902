#include "tests/e2e/probe/WindowWatch.h"

#include <functional>

namespace e2e {

namespace {

constexpr DWORD kPollMs = 50;

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  if (hwnd) ::GetClassNameW(hwnd, buffer, 256);
  return buffer;
}

void Describe(HWND hwnd, WindowInfo& info) {
  info.hwnd = hwnd;
  info.title = TextOf(hwnd);
  ::GetWindowRect(hwnd, &info.window);
  ::GetClientRect(hwnd, &info.client);
  ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&info.client), 2);
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof(thread);
  info.focusClass.clear();
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &thread)) info.focusClass = ClassOf(thread.hwndFocus);
}

bool Poll(DWORD timeoutMs, const std::function<bool()>& done) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (done()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(kPollMs);
  }
}

}  // namespace

bool WaitForWindow(const std::wstring& title, DWORD timeoutMs, WindowInfo& info) {
  return Poll(timeoutMs, [&] {
    HWND hwnd = ::FindWindowW(nullptr, title.c_str());
    if (!hwnd || !::IsWindowVisible(hwnd)) return false;
    Describe(hwnd, info);
    return true;
  });
}

bool WaitForForeground(const std::wstring& title, const std::wstring& focusClass, DWORD timeoutMs,
                       WindowInfo& info) {
  const bool negate = !title.empty() && title[0] == L'!';
  const std::wstring name = negate ? title.substr(1) : title;
  return Poll(timeoutMs, [&] {
    HWND hwnd = ::GetForegroundWindow();
    if (!hwnd || !::IsWindowVisible(hwnd)) return false;
    Describe(hwnd, info);
    if ((info.title == name) == negate) return false;
    return focusClass.empty() || info.focusClass == focusClass;
  });
}

bool WaitForNoWindow(const std::wstring& title, DWORD timeoutMs) {
  return Poll(timeoutMs, [&] {
    HWND hwnd = ::FindWindowW(nullptr, title.c_str());
    return !hwnd || !::IsWindowVisible(hwnd);
  });
}

bool ReadStaticText(HWND window, std::wstring& text, RECT& screen) {
  struct Search {
    HWND found = nullptr;
  } search;
  // The text static, not the icon beside it (a static too, with no text).
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (ClassOf(child) != L"Static" || (style & SS_TYPEMASK) == SS_ICON || ::GetWindowTextLengthW(child) == 0)
          return TRUE;
        reinterpret_cast<Search*>(data)->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  text = TextOf(search.found);
  ::GetWindowRect(search.found, &screen);
  return true;
}

}  // namespace e2e
