// Push button wrapper: one message per call.
#pragma once
#include "CWindow.h"

class CButton : public CWindow {
 public:
  void Click() { SendMessage(BM_CLICK); }
};
