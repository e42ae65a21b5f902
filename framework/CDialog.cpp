#include "framework/CDialog.h"

bool ReflectToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND control = nullptr;
  if (msg == WM_NOTIFY && lParam) control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  if (msg == WM_COMMAND && lParam) control = reinterpret_cast<HWND>(lParam);
  if (!control || !CWindow::FromHandle(control)) return false;
  result = ::SendMessageW(control, OCM_BASE_SORV + msg, wParam, lParam);
  return true;
}

CDialog::CDialog(UINT templateId, HWND parent) : m_nTemplateId(templateId), m_hParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd && !m_bModal && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
  m_bModal = true;
  const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplateId),
                                           m_hParentWnd, &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  m_bModal = false;
  return result;
}

bool CDialog::Create(HWND parent) {
  if (parent) m_hParentWnd = parent;
  m_bModal = false;
  HWND hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplateId), m_hParentWnd,
                                   &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  return hWnd != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  if (!m_hWnd) return;
  if (m_bModal)
    ::EndDialog(m_hWnd, result);
  else
    ::DestroyWindow(m_hWnd);
}

BOOL CDialog::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

void CDialog::OnOK() {
  DoDataExchange();
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(UINT code, UINT id) {
  // Buttons, and Enter and Esc as the dialog manager turns them into commands.
  if (code != BN_CLICKED && code != kAcceleratorCode) return false;
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::BindControl(int id, CWindow& control) {
  if (control.GetHwnd()) return;
  control.SubclassWindow(::GetDlgItem(m_hWnd, id));
}

bool CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (OnCommand(HIWORD(wParam), LOWORD(wParam))) {
        result = 0;
        return true;
      }
      return ReflectToControl(msg, wParam, lParam, result);
    case WM_NOTIFY:
      if (ReflectToControl(msg, wParam, lParam, result)) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return true;
      }
      return false;
  }
  return CWindow::OnMessage(msg, wParam, lParam, result);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;  // the dialog's messages reach it through its subclass
  CDialog* self = reinterpret_cast<CDialog*>(lParam);
  if (!self || !self->SubclassWindow(hWnd)) return TRUE;
  try {
    return self->OnInitDialog();
  } catch (...) {
    return TRUE;  // an exception must not unwind through the system's dialog code
  }
}
