// Real keys and mouse buttons through the system's input queue, for tests that drive a
// window as a person would.
#pragma once
#include <windows.h>

namespace userinput {

// Key `vk` down or up.
void Key(WORD vk, bool down);
// A mouse event (MOUSEEVENTF_*) where the pointer is.
void Mouse(DWORD flags);
// True when the pointer is at screen point `at`.
bool PointerAt(POINT at);

}  // namespace userinput
