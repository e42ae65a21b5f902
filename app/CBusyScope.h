// Marks the main window busy for the length of one long operation (load, save, export),
// restoring the previous mark at the end, so a nested operation keeps the outer mark.
// Given a switch for the window's commands, it turns them off at once and on again when
// the operation ends -- by its own Finish, or on any way out, an exception included.
#pragma once
#include <functional>
#include <utility>

class CBusyScope {
 public:
  explicit CBusyScope(bool& busy, std::function<void(bool)> enableCommands = nullptr)
      : m_busy(busy), m_previous(busy), m_enable(std::move(enableCommands)) {
    m_busy = true;
    if (m_enable) m_enable(false);
  }
  ~CBusyScope() {
    try {
      Finish();
    } catch (...) {
      // Nothing may leave a destructor; the busy mark is restored below regardless.
    }
    m_busy = m_previous;
  }
  // Turns the commands on again now (once); the busy mark stays until the scope ends.
  void Finish() {
    if (!m_enable) return;
    std::function<void(bool)> enable = std::move(m_enable);
    m_enable = nullptr;
    enable(true);
  }
  CBusyScope(const CBusyScope&) = delete;
  CBusyScope& operator=(const CBusyScope&) = delete;

 private:
  bool& m_busy;
  bool m_previous;
  std::function<void(bool)> m_enable;
};
