#include "app/CSorvResApp.h"

#include <commctrl.h>

#include "preview/CImageCtrl.h"
#include "app/CSorvResDlg.h"
#include "resources/resource.h"

// The preview control loads its splash picture by number; the resource script names it.
static_assert(CImageCtrl::kSplashBitmapId == IDB_SPLASH, "the splash bitmap's id differs");

CSorvResApp theApp;

BOOL CSorvResApp::InitInstance() {
  INITCOMMONCONTROLSEX icc = {8, 0xFF};
  ::InitCommonControlsEx(&icc);
  CApplication::InitInstance();
  {
    CSorvResDlg dlg;
    m_pMainWnd = &dlg;
    dlg.EndProcessWithWindow();
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
