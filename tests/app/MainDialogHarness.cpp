#include "tests/app/MainDialogHarness.h"

#include <commctrl.h>

#include "tests/support/FileTree.h"

namespace harness {

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

SIZE ClientSize(HWND hWnd) {
  RECT rect = {};
  ::GetClientRect(hWnd, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

RECT ChildRect(HWND child) {
  RECT rect = {};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void SetClientSize(HWND dialog, int w, int h) {
  RECT outer = {}, client = {};
  ::GetWindowRect(dialog, &outer);
  ::GetClientRect(dialog, &client);
  const int frameX = (outer.right - outer.left) - client.right;
  const int frameY = (outer.bottom - outer.top) - client.bottom;
  ::SetWindowPos(dialog, nullptr, 0, 0, w + frameX, h + frameY, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
}


TempDir::TempDir() {
  static int counter = 0;
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  // The start time too: Wine gives the same process ids run after run, and a link a
  // previous run could not remove (Wine removes host links to folders only from the host)
  // would be written through if its folder's name came round again.
  static const unsigned long long started = ::GetTickCount64();
  m_path = std::wstring(base) + L"sorvres-app-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(started) + L"-" + std::to_wstring(counter++);
  RemoveTree(m_path);
  ::CreateDirectoryW(m_path.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(m_path); }

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<uint8_t> out;
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  out.resize(::GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!out.empty()) ::ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
  ::CloseHandle(h);
  out.resize(got);
  return out;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace harness
