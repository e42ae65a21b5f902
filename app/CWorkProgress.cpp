#include "app/CWorkProgress.h"

#include "framework/CStatusBar.h"
#include "app/WideText.h"
#include "app/WorkText.h"

namespace {

CWorkProgress* g_active = nullptr;
DWORD g_interval = CWorkProgress::kDefaultInterval;
LONGLONG g_displayTicks = 0;
size_t g_displayCount = 0;

LONGLONG Ticks() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

bool IsInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST);
}

}  // namespace

CWorkProgress::CWorkProgress(CStatusBar& bar, const std::wstring& label, size_t total, Kind kind, bool percent)
    : m_bar(bar), m_label(label), m_total(total), m_kind(kind), m_percent(percent), m_outer(g_active) {
  if (m_bar.GetHwnd()) m_previousText = m_bar.GetPaneText(0);
  g_active = this;
  Show();
}

CWorkProgress::~CWorkProgress() { End(); }

CWorkProgress* CWorkProgress::Active() { return g_active; }

void CWorkProgress::SetInterval(DWORD ms) { g_interval = ms; }

double CWorkProgress::DisplaySeconds() {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(g_displayTicks) / static_cast<double>(frequency.QuadPart);
}

size_t CWorkProgress::DisplayCount() { return g_displayCount; }

bool CWorkProgress::Step() {
  if (::GetTickCount() - m_lastShown >= g_interval) {
    const LONGLONG start = Ticks();
    Show();
    PumpMessages();
    g_displayTicks += Ticks() - start;
    ++g_displayCount;
  }
  if (m_stop) return false;
  ++m_done;
  return true;
}

void CWorkProgress::Show() {
  m_lastShown = ::GetTickCount();
  if (!m_bar.GetHwnd()) return;
  const std::u16string text =
      sorv::app::ProgressText(sorv::app::ToU16(m_label), m_done, m_total, m_percent);
  m_bar.SetPaneText(0, sorv::app::FromU16<wchar_t>(text).c_str(), true);
}

void CWorkProgress::PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to take: the loop that runs the program sees it again.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsInput(msg.message)) {
      // A key comes as a system key when no control has the focus (the disabled command
      // that had it lost it): Esc counts either way.
      const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
      if ((keyDown && msg.wParam == VK_ESCAPE) || (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4))
        RequestStop();
      continue;
    }
    // The close box asks to stop; the rest of the frame (moving, sizing, minimising) works.
    if ((msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCLBUTTONDBLCLK) && msg.wParam == HTCLOSE) {
      RequestStop();
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void CWorkProgress::RestorePaneText() {
  if (m_bar.GetHwnd()) m_bar.SetPaneText(0, m_previousText.c_str(), true);
}

void CWorkProgress::DropInput(DWORD endTime) {
  // Only what was typed or clicked while the work ran: input queued after its end (a key
  // pressed at once when the result shows) is the user's next command and stays.
  static const UINT kRanges[][2] = {
      {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
  for (const auto& range : kRanges) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, range[0], range[1], PM_NOREMOVE) &&
           static_cast<LONG>(msg.time - endTime) <= 0)
      ::PeekMessageW(&msg, nullptr, range[0], range[1], PM_REMOVE);
  }
}

void CWorkProgress::End() {
  if (m_ended) return;
  m_ended = true;
  DropInput(m_shown ? m_shownTime : ::GetTickCount());
  if (g_active == this) g_active = m_outer;
}
