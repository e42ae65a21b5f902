// The system's Find dialog (FindTextW), modeless and owned by one window, which hears from
// it through the registered FINDMSGSTRING message. The whole-word box is hidden; direction
// and case are the system's own controls.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

class CFindDialog {
 public:
  CFindDialog() = default;
  ~CFindDialog();
  CFindDialog(const CFindDialog&) = delete;
  CFindDialog& operator=(const CFindDialog&) = delete;

  // Opens the dialog with `text`, or brings it forward when it is open. False when the
  // system could not make it.
  bool Open(HWND owner, const std::wstring& text);
  // Closes the dialog if it is open.
  void Close();
  HWND GetHwnd() const { return m_hWnd; }

  // The message the dialog sends its owner (lParam: the FINDREPLACEW it was opened with).
  static UINT Message();

  // What a FINDMSGSTRING says; call once per message (the dialog closing forgets it).
  enum Request { kNone, kFindNext, kClosing };
  Request Read(LPARAM lParam);
  std::wstring Text() const { return m_text; }
  bool MatchCase() const { return (m_find.Flags & FR_MATCHCASE) != 0; }
  bool Down() const { return (m_find.Flags & FR_DOWN) != 0; }

 private:
  FINDREPLACEW m_find = {};
  wchar_t m_text[260] = {};
  HWND m_hWnd = nullptr;
  // Direction and case as last chosen, for the next time the dialog opens.
  DWORD m_choices = FR_DOWN;
};
