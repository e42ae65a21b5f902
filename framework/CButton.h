// Push button wrapper: one message per call.
#pragma once
#include "framework/CWindow.h"

class CButton : public CWindow {
 public:
  void Click() { SendMessage(BM_CLICK); }
};
