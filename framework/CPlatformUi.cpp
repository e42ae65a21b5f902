#include "framework/CPlatformUi.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <vector>

#include "framework/CComPtr.h"
#include "framework/CDialog.h"

namespace {

CPlatformUi g_realUi;
CPlatformUi* g_ui = &g_realUi;

// "name|pattern|name|pattern||" as the pairs the item dialog wants.
std::vector<std::wstring> SplitFilter(const std::wstring& filter) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : filter) {
    if (c == L'|') {
      if (part.empty()) break;
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (parts.size() % 2) parts.pop_back();
  return parts;
}

bool ItemDialog(const FileDialogRequest& request, std::wstring& path, bool& shown) {
  shown = false;
  CComPtr<IFileDialog> dialog;
  if (FAILED(::CoCreateInstance(request.open ? CLSID_FileOpenDialog : CLSID_FileSaveDialog, nullptr,
                                CLSCTX_INPROC_SERVER, request.open ? IID_IFileOpenDialog : IID_IFileSaveDialog,
                                reinterpret_cast<void**>(&dialog))))
    return false;
  const std::vector<std::wstring> parts = SplitFilter(request.filter);
  std::vector<COMDLG_FILTERSPEC> specs;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) specs.push_back({parts[i].c_str(), parts[i + 1].c_str()});
  if (!specs.empty()) dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM;
  if (request.flags & OFN_OVERWRITEPROMPT) options |= FOS_OVERWRITEPROMPT;
  if (request.flags & OFN_SHAREAWARE) options |= FOS_SHAREAWARE;
  dialog->SetOptions(options);
  if (!request.title.empty()) dialog->SetTitle(request.title.c_str());
  if (!request.fileName.empty()) dialog->SetFileName(request.fileName.c_str());
  if (!request.folder.empty()) {
    CComPtr<IShellItem> folder;
    if (SUCCEEDED(::SHCreateItemFromParsingName(request.folder.c_str(), nullptr, IID_IShellItem,
                                                reinterpret_cast<void**>(&folder))))
      dialog->SetFolder(folder);
  }
  if (!request.defaultExt.empty()) dialog->SetDefaultExtension(request.defaultExt.c_str());
  shown = true;
  if (FAILED(dialog->Show(request.owner))) return false;
  CComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(&item))) return false;
  LPWSTR name = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || !name) return false;
  path = name;
  ::CoTaskMemFree(name);
  return true;
}

// The classic dialog, where the item dialog cannot be made.
bool ClassicDialog(const FileDialogRequest& request, std::wstring& path) {
  std::wstring filter = request.filter;
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  std::vector<wchar_t> buffer(32768, L'\0');
  request.fileName.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = request.owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
  ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
  ofn.Flags = request.flags | OFN_EXPLORER | OFN_ENABLESIZING;
  const BOOL ok = request.open ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (!ok) return false;
  path = buffer.data();
  return true;
}

}  // namespace

int CPlatformUi::ShowMessage(HWND owner, const std::wstring& text) {
  return ::MessageBoxW(owner, text.c_str(), L"SorvRes", MB_OK);
}

bool CPlatformUi::FileDialog(const FileDialogRequest& request, std::wstring& path) {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool shown = false;
  bool ok = ItemDialog(request, path, shown);
  if (!shown) ok = ClassicDialog(request, path);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return ok;
}

HINSTANCE CPlatformUi::Execute(HWND owner, LPCWSTR verb, LPCWSTR file, int show) {
  return ::ShellExecuteW(owner, verb, file, nullptr, nullptr, show);
}

INT_PTR CPlatformUi::RunModal(CDialog& dialog) { return dialog.DoModal(); }

CPlatformUi& CPlatformUi::Current() { return *g_ui; }

void CPlatformUi::Install(CPlatformUi* ui) { g_ui = ui ? ui : &g_realUi; }
