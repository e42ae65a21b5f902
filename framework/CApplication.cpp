#include "framework/CApplication.h"

#include "framework/CModelessDialogs.h"

CApplication* CApplication::s_pInstance = nullptr;

CApplication::CApplication() { s_pInstance = this; }

CApplication::~CApplication() {
  if (s_pInstance == this) s_pInstance = nullptr;
}

BOOL CApplication::OnCommand(UINT) { return FALSE; }

int CApplication::Run() {
  if (!InitInstance()) return 0;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (CModelessDialogs::Route(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
