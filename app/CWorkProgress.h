// Progress of one long piece of work on the window's thread (a load, a filter refill, an
// export): every 180 milliseconds it shows a count in pane 0 of the status
// bar and lets the window handle its waiting messages, so it repaints and can be moved.
// Keyboard and mouse input meant for the window's controls is not handled meanwhile and
// is not replayed afterwards; Esc and the close box ask a stoppable work to stop.
#pragma once
#include <windows.h>

#include <string>

class CStatusBar;

class CWorkProgress {
 public:
  enum Kind { kNotStoppable, kStoppable };

  // Shows "<label> 0/<total>" at once (percent: "<label> 0%").
  CWorkProgress(CStatusBar& bar, const std::wstring& label, size_t total, Kind kind = kNotStoppable,
                bool percent = false);
  // Ends the work if End was not called.
  ~CWorkProgress();
  CWorkProgress(const CWorkProgress&) = delete;
  CWorkProgress& operator=(const CWorkProgress&) = delete;

  // One more step is about to start. Cheap; when the interval has passed it shows the
  // count and handles the waiting messages. False, without counting, once a stop was asked
  // for: the caller ends the work there.
  bool Step();
  // Handles the waiting messages as the work may: input for the controls is dropped, Esc
  // and the close box become a stop request, everything else is dispatched.
  void PumpMessages();
  // Ends the work: drops the input made during it (so that none of it reaches the window
  // or a message box afterwards), keeps what comes after, and stops being the running work.
  void End();

  // The work's result is on screen now: input made from here on is the user's next command
  // and is kept when the work ends (the end itself may take a while longer).
  void MarkShown() {
    if (!m_shown) m_shownTime = ::GetTickCount();
    m_shown = true;
  }

  // The total, once it is known.
  void SetTotal(size_t total) { m_total = total; }
  size_t Done() const { return m_done; }
  size_t Total() const { return m_total; }
  bool Stopped() const { return m_stop; }
  // A stop request for a stoppable work; ignored for the others.
  void RequestStop() {
    if (m_kind == kStoppable) m_stop = true;
  }
  // Pane 0 shows again what it showed before the work started.
  void RestorePaneText();

  // The innermost work running on this thread, or null.
  static CWorkProgress* Active();
  // Milliseconds between two displays: often enough for the window to feel alive (it
  // repaints at least every 200 ms while steps are short), rarely enough to cost the work
  // a few percent. 0 displays at every step.
  static const DWORD kDefaultInterval = 180;
  static void SetInterval(DWORD ms);
  // Seconds spent in displays and their message handling since the program started, and
  // how many there were (what the progress costs the work it reports on).
  static double DisplaySeconds();
  static size_t DisplayCount();

 private:
  void Show();
  // Drops the keyboard and mouse input made up to `endTime` (GetTickCount).
  static void DropInput(DWORD endTime);

  CStatusBar& m_bar;
  std::wstring m_label;
  std::wstring m_previousText;
  size_t m_total;
  size_t m_done = 0;
  Kind m_kind;
  bool m_percent;
  bool m_stop = false;
  bool m_ended = false;
  bool m_shown = false;
  DWORD m_shownTime = 0;
  DWORD m_lastShown;
  CWorkProgress* m_outer;
};
