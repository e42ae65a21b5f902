#include "app/CAboutDlg.h"

#include "resources/resource.h"

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange() { BindControl(IDC_LINK, m_link); }
