// Pictures of windows for people to look at: what a test saw, kept as a .bmp file.
#pragma once
#include <windows.h>

// Saves the part of the screen that `hWnd` covers (frame included) as a 24-bit .bmp file.
// Returns false when the file could not be written.
bool SaveScreenshot(HWND hWnd, const wchar_t* path);
