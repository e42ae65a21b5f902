// Waits for windows the way the test script needs them: a top-level window by its title, the
// foreground window (what has the user's keyboard) and its focused control, or a window's
// end. Polls; never waits longer than the timeout.
#pragma once
#include <windows.h>

#include <string>

namespace e2e {

struct WindowInfo {
  HWND hwnd = nullptr;
  std::wstring title, focusClass;
  RECT window = {}, client = {};  // screen coordinates
};

// A visible top-level window with exactly this title.
bool WaitForWindow(const std::wstring& title, DWORD timeoutMs, WindowInfo& info);

// The foreground window, once its title is `title` (or, when `title` starts with "!", is not
// the rest) and, unless `focusClass` is empty, its focused control is of that class.
bool WaitForForeground(const std::wstring& title, const std::wstring& focusClass, DWORD timeoutMs,
                       WindowInfo& info);

// No visible top-level window with this title is left.
bool WaitForNoWindow(const std::wstring& title, DWORD timeoutMs);

// The text of a window's static text control (a message box's message, read through the
// window tree) and where it is on the screen. False when the window has none.
bool ReadStaticText(HWND window, std::wstring& text, RECT& screen);

}  // namespace e2e
