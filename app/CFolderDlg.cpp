#include "CFolderDlg.h"

#include <ole2.h>

#include "CApplication.h"
#include "PathFit.h"
#include "WideText.h"

namespace {

// The file-system path of a shell item, or empty for a virtual item.
std::wstring PathOfItem(PCIDLIST_ABSOLUTE item) {
  wchar_t buffer[MAX_PATH] = {};
  if (!item || !::SHGetPathFromIDListW(item, buffer)) return std::wstring();
  return buffer;
}

}  // namespace

CFolderDlg::CFolderDlg(LPCWSTR prompt, HWND parent) : CDialog(0, parent), m_bi() {
  wchar_t desktop[MAX_PATH] = {};
  if (::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) m_strFolderPath = desktop;
  m_bi.hwndOwner = nullptr;
  m_bi.pidlRoot = nullptr;
  m_bi.pszDisplayName = nullptr;
  m_bi.lpszTitle = prompt;
  m_bi.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  m_bi.lpfn = &CFolderDlg::BrowseCallbackProc;
  m_bi.lParam = reinterpret_cast<LPARAM>(this);
  m_bi.iImage = 0;
}

CFolderDlg::~CFolderDlg() {
  // The browse window belongs to the shell: never destroy it from here.
  Detach();
}

HWND CFolderDlg::GetModalOwner() const {
  HWND owner = m_hParentWnd;
  if (!owner) {
    CApplication* app = CApplication::Instance();
    if (app && app->m_pMainWnd) owner = app->m_pMainWnd->GetHwnd();
  }
  while (owner && (::GetWindowLongPtrW(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
  return owner ? ::GetLastActivePopup(owner) : nullptr;
}

INT_PTR CFolderDlg::DoModal() {
  INT_PTR result = IDCANCEL;
  const HWND focus = ::GetFocus();
  const HWND owner = GetModalOwner();
  m_bi.hwndOwner = owner;
  const bool reenable = owner && ::IsWindowEnabled(owner);
  if (reenable) ::EnableWindow(owner, FALSE);

  // The new-style browser needs OLE on this thread.
  const HRESULT ole = ::OleInitialize(nullptr);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&m_bi);
  Detach();  // the browse window is gone
  if (chosen) {
    m_strFolderPath = PathOfItem(chosen);
    if (!m_strFolderPath.empty()) {
      if (m_strFolderPath.back() != L'\\') m_strFolderPath += L'\\';
      result = IDOK;
    }
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&malloc)) && malloc) {
      malloc->Free(chosen);
      malloc->Release();
    }
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();

  if (reenable) ::EnableWindow(owner, TRUE);
  if (focus && ::IsWindow(focus)) ::SetFocus(focus);
  return result;
}

int CALLBACK CFolderDlg::BrowseCallbackProc(HWND hWnd, UINT msg, LPARAM value, LPARAM data) {
  CFolderDlg* self = reinterpret_cast<CFolderDlg*>(data);
  if (!self) return 0;
  if (self->m_hWnd != hWnd) {
    self->Detach();
    self->Attach(hWnd);
  }
  return self->DispatchBrowseEvent(msg, value);
}

int CFolderDlg::DispatchBrowseEvent(UINT msg, LPARAM value) {
  switch (msg) {
    case BFFM_INITIALIZED:
      OnBrowseInitialized();
      return 0;
    case BFFM_SELCHANGED:
      OnBrowseSelectionChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(value));
      return 0;
    case BFFM_VALIDATEFAILEDA:
      return 0;
    case BFFM_VALIDATEFAILEDW:
      return OnBrowseValidateFailed(reinterpret_cast<LPCWSTR>(value));
    case BFFM_IUNKNOWN:
      OnBrowseInterface(reinterpret_cast<IUnknown*>(value));
      return 0;
  }
  return 0;
}

void CFolderDlg::OnBrowseInitialized() {
  if (!m_strFolderPath.empty())
    SendMessage(BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(m_strFolderPath.c_str()));
  else
    SendMessage(BFFM_ENABLEOK, 0, 0);
}

void CFolderDlg::OnBrowseSelectionChanged(PCIDLIST_ABSOLUTE item) {
  std::wstring text = PathOfItem(item);
  SendMessage(BFFM_ENABLEOK, 0, text.empty() ? 0 : 1);
  if (!text.empty()) {
    if (HDC dc = ::GetDC(m_hWnd)) {
      RECT client = {};
      GetClientRect(&client);
      FitPathToWidth(&client, text, dc);
      ::ReleaseDC(m_hWnd, dc);
    }
  }
  SendMessage(BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int CFolderDlg::OnBrowseValidateFailed(LPCWSTR) { return 1; }

void CFolderDlg::OnBrowseInterface(IUnknown*) {}

BOOL CFolderDlg::FitPathToWidth(const RECT* rect, std::wstring& text, HDC dc) {
  if (!rect || text.empty() || !dc) return FALSE;
  const sorv::app::TextMeasure measure = [dc](const std::u16string& s) {
    const std::wstring w = sorv::app::FromU16<wchar_t>(s);
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    return static_cast<int>(size.cx);
  };
  std::u16string fitted = sorv::app::ToU16(text);
  const bool shortened = sorv::app::FitPathToWidth(fitted, rect->right - rect->left, measure);
  text = sorv::app::FromU16<wchar_t>(fitted);
  return shortened ? TRUE : FALSE;
}
