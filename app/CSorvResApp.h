// The application object: registers the common controls and runs the main window modally.
#pragma once
#include "framework/CApplication.h"

class CSorvResApp : public CApplication {
 public:
  BOOL InitInstance() override;
  // Takes the standard Help command only, as the program's design names it (nothing sends it).
  BOOL OnCommand(UINT id) override;
};
