#include "CAboutDlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange() { BindControl(IDC_LINK, m_link); }
