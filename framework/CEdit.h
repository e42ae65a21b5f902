// Edit control wrapper.
#pragma once
#include "CWindow.h"

class CEdit : public CWindow {
 public:
  void SetReadOnly(bool readOnly) { SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
};
