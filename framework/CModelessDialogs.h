// Modeless dialogs of the thread whose keys (Tab, Enter, Esc, arrows) must reach them. The
// program's message loop is a modal dialog's, which asks IsDialogMessage for its own dialog
// only; every loop of this thread offers each message here first: the framework's own
// loop directly, a modal loop through its message filter.
#pragma once
#include <windows.h>

class CModelessDialogs {
 public:
  // `dialog` gets its keys from now on, until Remove (or until the window is gone).
  static void Add(HWND dialog);
  static void Remove(HWND dialog);
  // True when `msg` was for one of the dialogs and IsDialogMessage handled it: the loop
  // must not translate or dispatch it again.
  static bool Route(MSG* msg);
};
