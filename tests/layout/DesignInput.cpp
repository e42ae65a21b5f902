#include "tests/layout/DesignInput.h"

#include <atomic>
#include <thread>

#include "tests/app/MainDialogHarness.h"
#include "tests/support/UserInput.h"

namespace designtest {

using userinput::Key;
using userinput::Mouse;
using userinput::PointerAt;

void Settle() {
  harness::Pump();
  ::Sleep(30);
  harness::Pump();
}


// Under an X server the display reports each move back a little later; a report of an
// earlier move can put the pointer back where it was. Moves until it stays.
void PointerToScreen(POINT at) {
  for (int tries = 0; tries < 20; ++tries) {
    ::SetCursorPos(at.x, at.y);
    Settle();
    if (!PointerAt(at)) continue;
    ::Sleep(50);
    harness::Pump();
    if (PointerAt(at)) return;
  }
}

void PointerTo(HWND hWnd, int x, int y) {
  POINT at = {x, y};
  ::ClientToScreen(hWnd, &at);
  PointerToScreen(at);
}

void LeftDown() {
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Settle();
}

void LeftUp() {
  Mouse(MOUSEEVENTF_LEFTUP);
  Settle();
}

void ControlRightClick(HWND hWnd, int x, int y) {
  PointerTo(hWnd, x, y);
  Key(VK_CONTROL, true);
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  Key(VK_CONTROL, false);
  Settle();
}

void RightClick(HWND hWnd, int x, int y) {
  PointerTo(hWnd, x, y);
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  Settle();
}

std::vector<MenuItem> RightClickMenu(HWND hWnd, int x, int y, UINT choose) {
  PointerTo(hWnd, x, y);
  std::atomic<bool> done{false};
  std::vector<MenuItem> items;
  std::thread driver([&] {
    items = userinput::DriveMenu(choose);
    done = true;
  });
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  // The menu runs inside the handling of the press, that is inside this pump.
  while (!done) {
    harness::Pump();
    ::Sleep(5);
  }
  driver.join();
  Settle();
  return items;
}

COLORREF Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const DWORD v = rgb[static_cast<size_t>(y) * width + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

Pixels ReadClient(HWND hWnd) {
  Pixels out;
  RECT client = {};
  ::GetClientRect(hWnd, &client);
  out.width = client.right;
  out.height = client.bottom;
  if (out.width <= 0 || out.height <= 0) return out;
  HDC dc = ::GetDC(hWnd);
  HDC mem = ::CreateCompatibleDC(dc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = out.width;
  info.bmiHeader.biHeight = -out.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  ::BitBlt(mem, 0, 0, out.width, out.height, dc, 0, 0, SRCCOPY);
  ::GdiFlush();
  const DWORD* pixels = static_cast<const DWORD*>(bits);
  out.rgb.assign(pixels, pixels + static_cast<size_t>(out.width) * out.height);
  for (DWORD& v : out.rgb) v &= 0x00FFFFFF;
  ::SelectObject(mem, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(hWnd, dc);
  return out;
}


}  // namespace designtest
