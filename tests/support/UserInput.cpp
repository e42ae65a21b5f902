#include "tests/support/UserInput.h"

namespace userinput {

namespace {

void Send(INPUT input) { ::SendInput(1, &input, sizeof(INPUT)); }

}  // namespace

void Key(WORD vk, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  Send(input);
}

void Mouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  Send(input);
}

bool XdoTool(const std::string& args) {
  std::wstring command = L"/usr/bin/xdotool ";
  for (char c : args) command.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return RunHost(command);
}

bool RunHost(const std::wstring& commandLine) {
  // A host program is started through the system's "start /unix".
  std::wstring command = L"start.exe /wait /unix " + commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
    return false;
  const bool ended = ::WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  DWORD code = 1;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return ended && code == 0;
}

bool PointerAt(POINT at) {
  POINT now = {};
  return ::GetCursorPos(&now) && now.x == at.x && now.y == at.y;
}

std::vector<MenuItem> DriveMenu(UINT choose) {
  std::vector<MenuItem> items;
  HWND popup = nullptr;
  HMENU menu = nullptr;
  for (int tries = 0; tries < 500 && !menu; ++tries) {
    popup = ::FindWindowW(L"#32768", nullptr);
    if (popup && ::IsWindowVisible(popup)) menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (!menu) ::Sleep(10);
  }
  if (!menu) return items;
  // Dismissing clicks the empty desktop far from every test window; the click goes on to
  // whatever lies under it once the menu is closed.
  POINT click = {::GetSystemMetrics(SM_CXSCREEN) - 3, 3};
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 63;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    const bool separator = (info.fType & MFT_SEPARATOR) != 0;
    items.push_back(MenuItem{separator ? std::wstring() : text, info.wID, separator, (info.fState & MFS_CHECKED) != 0});
    RECT itemRect = {};
    if (choose && info.wID == choose && ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &itemRect))
      click = POINT{(itemRect.left + itemRect.right) / 2, (itemRect.top + itemRect.bottom) / 2};
  }
  // Under an X server a move is reported back a little later and can put the pointer back;
  // moves until it stays. No pumping here: the menu's thread handles the moves.
  for (int tries = 0; tries < 20; ++tries) {
    ::SetCursorPos(click.x, click.y);
    ::Sleep(60);
    if (!PointerAt(click)) continue;
    ::Sleep(40);
    if (PointerAt(click)) break;
  }
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  for (int tries = 0; tries < 300 && ::IsWindow(popup) && ::IsWindowVisible(popup); ++tries) ::Sleep(10);
  return items;
}

}  // namespace userinput
