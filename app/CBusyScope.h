// Marks the main window busy for the length of one long operation (load, save, export),
// restoring the previous mark at the end, so a nested operation keeps the outer mark.
#pragma once

class CBusyScope {
 public:
  explicit CBusyScope(bool& busy) : m_busy(busy), m_previous(busy) { m_busy = true; }
  ~CBusyScope() { m_busy = m_previous; }
  CBusyScope(const CBusyScope&) = delete;
  CBusyScope& operator=(const CBusyScope&) = delete;

 private:
  bool& m_busy;
  bool m_previous;
};
