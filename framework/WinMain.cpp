// The program's entry point: the global application object does the rest. Kept in its own
// file so that only the program (linked with -municode) pulls it in.
#include "framework/CApplication.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CApplication* app = CApplication::Instance();
  return app ? app->Run() : 1;
}
