// The seam around what the user answers: message boxes, the open and save dialogs, modal
// runs of the program's own choosers and the shell's handler for links. The program uses
// the real ones; tests install their own.
#pragma once
#include <windows.h>

#include <string>

class CDialog;

struct FileDialogRequest {
  bool open = true;            // open or save dialog
  std::wstring title;
  std::wstring filter;         // "name|pattern|name|pattern||"
  std::wstring defaultExt;
  std::wstring fileName;       // initial file name
  std::wstring folder;         // folder to start in; empty for the dialog's own choice
  DWORD flags = 0;             // OFN_* flags
  HWND owner = nullptr;
};

class CPlatformUi {
 public:
  virtual ~CPlatformUi() = default;
  // The framework's OK message box: default icon and caption.
  virtual int ShowMessage(HWND owner, const std::wstring& text);
  // Shows the (Vista-style) file dialog; true with the chosen full path on OK.
  virtual bool FileDialog(const FileDialogRequest& request, std::wstring& path);
  virtual HINSTANCE Execute(HWND owner, LPCWSTR verb, LPCWSTR file, int show);
  // Runs a chooser dialog modally (the folder chooser) and returns its answer; a test
  // answers for it instead.
  virtual INT_PTR RunModal(CDialog& dialog);

  // The seam in use; Install(nullptr) restores the real one.
  static CPlatformUi& Current();
  static void Install(CPlatformUi* ui);
};
