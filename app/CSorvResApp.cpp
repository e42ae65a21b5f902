#include "CSorvResApp.h"

#include <commctrl.h>

#include "CSorvResDlg.h"

CSorvResApp theApp;

BOOL CSorvResApp::InitInstance() {
  INITCOMMONCONTROLSEX icc = {8, 0xFF};
  ::InitCommonControlsEx(&icc);
  CApplication::InitInstance();
  {
    CSorvResDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
  }
  // The modal run was the program's message loop: end without one of our own.
  return FALSE;
}

BOOL CSorvResApp::OnCommand(UINT id) {
  if (id == kHelpCommand) {
    OnHelp();
    return TRUE;
  }
  return CApplication::OnCommand(id);
}
