// A menu (loaded from the resources or made empty as a pop-up), destroyed with its items
// when its owner goes.
#pragma once
#include <windows.h>

class CMenu {
 public:
  CMenu() = default;
  explicit CMenu(HMENU menu) : m_hMenu(menu) {}
  ~CMenu() {
    if (m_hMenu) ::DestroyMenu(m_hMenu);
  }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  operator HMENU() const { return m_hMenu; }
  bool IsNull() const { return m_hMenu == nullptr; }
  // The pop-up at `position`, owned by this menu; null when there is none.
  HMENU SubMenu(int position) const { return m_hMenu ? ::GetSubMenu(m_hMenu, position) : nullptr; }

 private:
  HMENU m_hMenu = nullptr;
};
