// The folder chooser: the shell's folder browser presented as a modal dialog object.
// Construct it with a prompt, run it, and read the chosen folder, which ends with "\".
// While the browser is open the object is attached to the browser's window, so that its
// handlers can send it messages.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "framework/CDialog.h"

class CFolderDlg : public CDialog {
 public:
  // `prompt` is shown above the folder tree; it is kept as a pointer and must outlive the
  // run. The folder to preselect starts as the user's desktop folder.
  explicit CFolderDlg(LPCWSTR prompt = nullptr, HWND parent = nullptr);
  ~CFolderDlg() override;

  // IDOK when a folder with a file-system path was confirmed (the folder path then holds
  // it, ending with "\"), else IDCANCEL.
  INT_PTR DoModal() override;

  const std::wstring& GetFolderPath() const { return m_strFolderPath; }
  // The folder to preselect at the next run.
  void SetFolderPath(const std::wstring& path) { m_strFolderPath = path; }
  const BROWSEINFOW& GetBrowseInfo() const { return m_bi; }

  // Shortens `text` to the width of `rect`, measured with `dc`: a front part, "...", and
  // the last component with its leading "\". True when the text was shortened.
  static BOOL FitPathToWidth(const RECT* rect, std::wstring& text, HDC dc);

 protected:
  // Every callback of the browser; the answer goes back to the shell.
  virtual int DispatchBrowseEvent(UINT msg, LPARAM value);
  virtual void OnBrowseInitialized();
  virtual void OnBrowseSelectionChanged(PCIDLIST_ABSOLUTE item);
  // The answer keeps the browser open (1) after a typed name it could not use.
  virtual int OnBrowseValidateFailed(LPCWSTR typed);
  virtual void OnBrowseInterface(IUnknown* unknown);
  // OK (or Enter) in the browser. When its edit box holds a path other than the selected
  // item's name, the chooser reads it itself: an existing folder ends the browser with that
  // folder; anything else keeps it open with a message. True when it was handled here.
  virtual bool OnBrowseOk();

  // The browse window's messages while it is attached: OK is looked at first.
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The browser's callback: attaches the object to the browse window, then dispatches.
  static int CALLBACK BrowseCallbackProc(HWND hWnd, UINT msg, LPARAM value, LPARAM data);

  // How often the browser is asked to select the starting folder before it is left as is,
  // and the message that asks it again.
  static const int kSelectAttempts = 5;
  static const UINT kSelectStartMessage = WM_APP + 0x51;
  void SelectStartFolder();
  // True when `path` is the starting folder or one of its parents.
  bool IsStartFolderOrAbove(const std::wstring& path) const;
  // The folder the browser should select at its start, until it is selected; empty then.
  std::wstring m_strStartFolder;
  int m_nSelectAttempts = 0;

  BROWSEINFOW m_bi;
  std::wstring m_strFolderPath;  // in: the folder to preselect; out: the chosen folder
  // The item selected in the browser: its file-system path (empty for a virtual item) and
  // the name the browser shows for it.
  std::wstring m_strSelectedPath;
  std::wstring m_strSelectedName;
  // A folder typed into the edit box and found to exist; empty when none was.
  std::wstring m_strTypedFolder;

 private:
  // The owner the run disables: the given parent or the program's main window, as its
  // top-level window's last active pop-up.
  HWND GetModalOwner() const;
};
