// The main dialog made from its real template (modeless, so a test drives it with real
// messages), with a recording stand-in for message boxes, file dialogs and the shell.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/CFolderDlg.h"
#include "app/CSorvResDlg.h"
#include "framework/CPlatformUi.h"

namespace harness {

class FakeUi : public CPlatformUi {
 public:
  FakeUi() { CPlatformUi::Install(this); }
  ~FakeUi() override { CPlatformUi::Install(nullptr); }

  int ShowMessage(HWND, const std::wstring& text) override {
    messages.push_back(text);
    return IDOK;
  }
  bool FileDialog(const FileDialogRequest& request, std::wstring& path) override {
    requests.push_back(request);
    if (duringDialog) duringDialog();
    if (fileAnswers.empty()) return false;
    path = fileAnswers.front();
    fileAnswers.pop_front();
    return !path.empty();
  }
  HINSTANCE Execute(HWND, LPCWSTR verb, LPCWSTR file, int show) override {
    executed.push_back(std::wstring(verb) + L" " + file + L" " + std::to_wstring(show));
    return reinterpret_cast<HINSTANCE>(33);
  }
  // The folder chooser answers from folderAnswers (an empty answer cancels); any other
  // dialog runs for real.
  INT_PTR RunModal(CDialog& dialog) override {
    CFolderDlg* chooser = dynamic_cast<CFolderDlg*>(&dialog);
    if (!chooser) return dialog.DoModal();
    const LPCWSTR prompt = chooser->GetBrowseInfo().lpszTitle;
    folderPrompts.push_back(prompt ? prompt : L"");
    folderPreselected.push_back(chooser->GetFolderPath());
    if (duringDialog) duringDialog();
    if (folderAnswers.empty()) return IDCANCEL;
    const std::wstring answer = folderAnswers.front();
    folderAnswers.pop_front();
    if (answer.empty()) return IDCANCEL;
    chooser->SetFolderPath(answer);
    return IDOK;
  }

  std::vector<std::wstring> messages;
  std::vector<FileDialogRequest> requests;
  std::deque<std::wstring> fileAnswers;  // an empty answer cancels
  std::vector<std::wstring> executed;
  std::deque<std::wstring> folderAnswers;  // an empty answer cancels
  std::vector<std::wstring> folderPrompts;
  std::vector<std::wstring> folderPreselected;  // the chooser's folder as it was opened
  std::function<void()> duringDialog;      // runs while a file dialog or the chooser is open
};

// Exposes what the tests look at; adds nothing.
class TestDlg : public CSorvResDlg {
 public:
  using CSorvResDlg::ApplyFixedPlacement;
  using CSorvResDlg::m_btnOpen;
  using CSorvResDlg::m_btnSave;
  using CSorvResDlg::m_btnExport;
  using CSorvResDlg::m_bBusy;
  using CSorvResDlg::m_editName;
  using CSorvResDlg::m_editPath;
  using CSorvResDlg::m_filter;
  using CSorvResDlg::m_hIcon;
  using CSorvResDlg::m_entries;
  using CSorvResDlg::EntryOfData;
  using CSorvResDlg::m_layout;
  using CSorvResDlg::m_link;
  using CSorvResDlg::m_preview;
  using CSorvResDlg::m_resFile;
  using CSorvResDlg::m_statusBar;
  using CSorvResDlg::m_strPackagePath;
  using CSorvResDlg::m_tree;
  using CSorvResDlg::LoadPackage;
  using CSorvResDlg::MakeSaveName;
  using CSorvResDlg::m_findDialog;
  using CSorvResDlg::m_folderView;
};

// Handles every waiting message of the thread.
void Pump();

// Client size of `hWnd`.
SIZE ClientSize(HWND hWnd);
// `child`'s rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
// Sets the dialog's outer size so that its client area is w x h.
void SetClientSize(HWND dialog, int w, int h);

// A scratch folder below the temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::wstring Path() const { return m_path; }
  std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

 private:
  std::wstring m_path;
};

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

}  // namespace harness
