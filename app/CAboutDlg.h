// The About box: the program's name and version and the maker's links.
#pragma once
#include "framework/CDialog.h"
#include "app/CLinkCtrlEx.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  void DoDataExchange() override;

 private:
  CLinkCtrlEx m_link;
};
