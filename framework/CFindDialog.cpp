#include "framework/CFindDialog.h"

#include <algorithm>

#include "framework/CModelessDialogs.h"

CFindDialog::~CFindDialog() { Close(); }

UINT CFindDialog::Message() {
  static const UINT message = ::RegisterWindowMessageW(FINDMSGSTRINGW);
  return message;
}

bool CFindDialog::Open(HWND owner, const std::wstring& text) {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    ::SetForegroundWindow(m_hWnd);
    ::SetActiveWindow(m_hWnd);
    return true;
  }
  // The structure and its text stay in place while the dialog lives: the system writes
  // the typed text and the choices into them.
  m_find = FINDREPLACEW{};
  m_find.lStructSize = sizeof(m_find);
  m_find.hwndOwner = owner;
  m_find.Flags = m_choices | FR_HIDEWHOLEWORD;
  text.copy(m_text, sizeof(m_text) / sizeof(m_text[0]) - 1);
  m_text[std::min(text.size(), sizeof(m_text) / sizeof(m_text[0]) - 1)] = L'\0';
  m_find.lpstrFindWhat = m_text;
  m_find.wFindWhatLen = sizeof(m_text) / sizeof(m_text[0]);
  m_hWnd = ::FindTextW(&m_find);
  if (!m_hWnd) return false;
  CModelessDialogs::Add(m_hWnd);
  return true;
}

void CFindDialog::Close() {
  if (!m_hWnd) return;
  CModelessDialogs::Remove(m_hWnd);
  if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
}

CFindDialog::Request CFindDialog::Read(LPARAM lParam) {
  if (reinterpret_cast<const FINDREPLACEW*>(lParam) != &m_find) return kNone;
  if (m_find.Flags & FR_DIALOGTERM) {
    // The system destroys the window itself.
    CModelessDialogs::Remove(m_hWnd);
    m_hWnd = nullptr;
    m_find.Flags &= ~FR_DIALOGTERM;
    return kClosing;
  }
  if (m_find.Flags & FR_FINDNEXT) {
    m_choices = m_find.Flags & (FR_DOWN | FR_MATCHCASE);
    return kFindNext;
  }
  return kNone;
}
