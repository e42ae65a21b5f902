#include "tests/support/WindowShot.h"

bool SaveScreenshot(HWND hWnd, const wchar_t* path) {
  RECT outer = {};
  ::GetWindowRect(hWnd, &outer);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP shot = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, shot);
  ::BitBlt(mem, 0, 0, w, h, screen, outer.left, outer.top, SRCCOPY);
  ::SelectObject(mem, old);
  const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(h);
  bool saved = false;
  HANDLE out = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    saved = ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
            ::WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
            ::WriteFile(out, bits, stride * static_cast<DWORD>(h), &written, nullptr);
    ::CloseHandle(out);
  }
  ::DeleteObject(shot);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return saved;
}
