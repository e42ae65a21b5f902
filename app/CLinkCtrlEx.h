// The link control of the status bar and the About box: a click on a link opens its target
// with the shell's default handler.
#pragma once
#include "framework/CLinkCtrl.h"

class CLinkCtrlEx : public CLinkCtrl {
 public:
  // Whether a link target may be opened: not empty, with a "." after its first character.
  static bool IsOpenableTarget(LPCWSTR target);

 protected:
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  LRESULT OnClick(const NMLINK* link);
};
