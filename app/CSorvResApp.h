// The application object: registers the common controls and runs the main window modally.
#pragma once
#include "framework/CApplication.h"

class CSorvResApp : public CApplication {
 public:
  BOOL InitInstance() override;
  BOOL OnCommand(UINT id) override;
};
