#include "UserInput.h"

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

bool PointerAt(POINT at) {
  POINT now = {};
  return ::GetCursorPos(&now) && now.x == at.x && now.y == at.y;
}

}  // namespace userinput
