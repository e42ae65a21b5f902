// The main dialog's layout set-up, run once the status bar exists and the link sits in it.
#pragma once
#include <windows.h>

#include <string>

#include "layout/CPositionWnd.h"

// The layout description the program carries (string resource IDS_LAYOUT), converted to
// narrow text with the thread's ANSI code page; empty when the resource is missing.
std::string LoadLayoutDescription();

// Attaches `root` to `dialog` and, recursively, to every window below it; applies
// `description`; then gives the dialog the outer size of the root node without moving it.
// A description that does not parse is not applied and the dialog is not resized: the
// layout stays as attached, the program goes on, and the result is false.
bool HookUpLayout(CPositionWnd& root, HWND dialog, const std::string& description);
// The same with the description the program carries.
bool HookUpLayout(CPositionWnd& root, HWND dialog);
