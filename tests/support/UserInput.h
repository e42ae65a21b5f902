// Real keys and mouse buttons through the system's input queue, for tests that drive a
// window as a person would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace userinput {

// Key `vk` down or up.
void Key(WORD vk, bool down);
// A mouse event (MOUSEEVENTF_*) where the pointer is.
void Mouse(DWORD flags);
// True when the pointer is at screen point `at`.
bool PointerAt(POINT at);

// Runs the X server's own input tool (xdotool) with `args` ("key ctrl+f", "type abc",
// "mousemove 10 20 click 1") and waits for it: input that reaches the program as a
// person's does, through the X server. False when it could not run or failed.
bool XdoTool(const std::string& args);
// Runs a host program ("/usr/bin/import -window root shot.png") and waits for it.
bool RunHost(const std::wstring& commandLine);

struct MenuItem {
  std::wstring text;  // empty for the separator
  UINT id;
  bool separator;
  bool checked;
};

// Waits for a popup menu to open (up to 5 s), reads its items, then clicks the item with
// command `choose`, or, for 0 or a command it lacks, the empty desktop in the screen's
// top-right corner, and waits for the menu to close. Runs on a thread beside the one that
// tracks the menu. Returns the items, none when no menu came.
std::vector<MenuItem> DriveMenu(UINT choose);

}  // namespace userinput
