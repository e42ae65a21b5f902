// The application object: one global instance whose start-up step runs the program. When
// the start-up step returns FALSE the process ends without a message loop of its own.
#pragma once
#include <windows.h>

class CWindow;

class CApplication {
 public:
  static const UINT kHelpCommand = 57670;  // the standard Help command

  CApplication();
  virtual ~CApplication();
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  static CApplication* Instance() { return s_pInstance; }

  // The start-up step; the base prepares nothing and returns TRUE.
  virtual BOOL InitInstance() { return TRUE; }
  // A command sent to the application; FALSE when no handler takes it. Kept because the
  // program's design routes the standard Help command through the application to the
  // default help handler; no window of this program sends that command.
  virtual BOOL OnCommand(UINT id);
  // The default help handler: this program ships no help file, so it does nothing.
  void OnHelp() {}

  // Runs the start-up step and, when it asks for one, a message loop. Returns the exit code.
  int Run();

  CWindow* m_pMainWnd = nullptr;

 private:
  static CApplication* s_pInstance;
};
