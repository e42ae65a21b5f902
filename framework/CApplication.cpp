#include "framework/CApplication.h"

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
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
