#include "app/CFolderDlg.h"

#include <ole2.h>

#include "framework/CApplication.h"
#include "framework/CClientDC.h"
#include "framework/CPlatformUi.h"
#include "app/PathFit.h"
#include "app/WideText.h"
#include "app/WorkText.h"

namespace {

// The file-system path of a shell item, or empty for a virtual item.
std::wstring PathOfItem(PCIDLIST_ABSOLUTE item) {
  wchar_t buffer[MAX_PATH] = {};
  if (!item || !::SHGetPathFromIDListW(item, buffer)) return std::wstring();
  return buffer;
}

// The name the browser shows for a shell item (what its edit box holds once the item is
// selected), or empty.
std::wstring DisplayNameOfItem(PCIDLIST_ABSOLUTE item) {
  PWSTR name = nullptr;
  if (!item || FAILED(::SHGetNameFromIDList(item, SIGDN_NORMALDISPLAY, &name)) || !name) return std::wstring();
  std::wstring text = name;
  ::CoTaskMemFree(name);
  return text;
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
  m_strTypedFolder.clear();
  m_strSelectedPath.clear();
  m_strSelectedName.clear();
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&m_bi);
  Detach();  // the browse window is gone
  if (!m_strTypedFolder.empty()) {
    // A typed folder that exists: the browser was closed for it, whatever it returned.
    m_strFolderPath = m_strTypedFolder;
    if (m_strFolderPath.back() != L'\\') m_strFolderPath += L'\\';
    result = IDOK;
  } else if (chosen) {
    m_strFolderPath = PathOfItem(chosen);
    if (!m_strFolderPath.empty()) {
      if (m_strFolderPath.back() != L'\\') m_strFolderPath += L'\\';
      result = IDOK;
    }
  }
  if (chosen) {
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
    // Routed, so that OK reaches OnBrowseOk; attached alone if it cannot be.
    if (!self->SubclassWindow(hWnd)) self->Attach(hWnd);
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
  m_strStartFolder.clear();
  if (m_strFolderPath.empty()) {
    SendMessage(BFFM_ENABLEOK, 0, 0);
    return;
  }
  // The folder as the browser names its items: no final "\" but a drive root's.
  m_strStartFolder = m_strFolderPath;
  while (m_strStartFolder.size() > 3 && m_strStartFolder.back() == L'\\') m_strStartFolder.pop_back();
  m_nSelectAttempts = kSelectAttempts;
  SelectStartFolder();
}

void CFolderDlg::SelectStartFolder() {
  if (m_strStartFolder.empty() || m_nSelectAttempts <= 0) return;
  --m_nSelectAttempts;
  SendMessage(BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(m_strStartFolder.c_str()));
}

bool CFolderDlg::IsStartFolderOrAbove(const std::wstring& path) const {
  std::wstring start = m_strStartFolder;
  if (path.empty() || path.size() > start.size()) return false;
  if (::CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), start.c_str(),
                             static_cast<int>(path.size()), TRUE) != CSTR_EQUAL)
    return false;
  return path.size() == start.size() || path.back() == L'\\' || start[path.size()] == L'\\';
}

void CFolderDlg::OnBrowseSelectionChanged(PCIDLIST_ABSOLUTE item) {
  std::wstring text = PathOfItem(item);
  m_strSelectedPath = text;
  m_strSelectedName = DisplayNameOfItem(item);
  // The browser finds the starting folder by walking its tree down from the top; in a
  // large folder it lists for the first time the walk can stop short or take a neighbour,
  // and the browser then selects the drive or that neighbour (OK alone would export there).
  // Until the folder is selected it is asked again, a few times, once this notification is
  // over.
  if (!m_strStartFolder.empty()) {
    if (text.size() == m_strStartFolder.size() && IsStartFolderOrAbove(text))
      m_strStartFolder.clear();  // reached
    else if (m_nSelectAttempts > 0)
      ::PostMessageW(m_hWnd, kSelectStartMessage, 0, 0);
  }
  SendMessage(BFFM_ENABLEOK, 0, text.empty() ? 0 : 1);
  if (!text.empty()) {
    CClientDC dc(m_hWnd);
    if (!dc.IsNull()) {
      RECT client = {};
      GetClientRect(&client);
      FitPathToWidth(&client, text, dc);
    }
  }
  SendMessage(BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int CFolderDlg::OnBrowseValidateFailed(LPCWSTR) { return 1; }

bool CFolderDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == kSelectStartMessage) {
    SelectStartFolder();
    result = 0;
    return true;
  }
  // Not the dialog base's OK and Cancel handling: the window is the shell's, which ends it.
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK && (HIWORD(wParam) == BN_CLICKED || lParam == 0) &&
      OnBrowseOk()) {
    result = 0;
    return true;
  }
  return CWindow::OnMessage(msg, wParam, lParam, result);
}

bool CFolderDlg::OnBrowseOk() {
  const HWND edit = ::FindWindowExW(m_hWnd, nullptr, L"Edit", nullptr);
  if (!edit) return false;
  const std::wstring typed = CWindow(edit).GetWindowText();
  // Nothing typed, or the selected item's own name: the selection is the answer.
  if (typed.empty() || typed == m_strSelectedName) return false;
  std::u16string resolved;
  if (!sorv::app::ResolveTypedFolder(sorv::app::ToU16(m_strSelectedPath), sorv::app::ToU16(typed), resolved)) {
    CPlatformUi::Current().ShowMessage(m_hWnd, L"无法识别的目录!\r\n\r\n" + typed);
    return true;
  }
  const std::wstring path = sorv::app::FromU16<wchar_t>(resolved);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    CPlatformUi::Current().ShowMessage(m_hWnd, L"目录不存在!\r\n\r\n" + path);
    return true;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CPlatformUi::Current().ShowMessage(m_hWnd, L"这不是目录!\r\n\r\n" + path);
    return true;
  }
  // Closed as cancelled, so the browser's own reading of the text cannot change the answer.
  m_strTypedFolder = path;
  DefWindowProc(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return true;
}

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
