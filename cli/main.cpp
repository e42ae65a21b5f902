// rdbtool: the command-line companion of the window program.
#include <string>
#include <vector>

#include "cli/Tool.h"

#if defined(_WIN32)
#include <windows.h>

#include "cli/Utf.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    args.push_back(rdbtool::Utf16ToUtf8(std::u16string(arg.begin(), arg.end())));
  }
  return rdbtool::RunTool(args);
}
#else
int main(int argc, char** argv) {
  return rdbtool::RunTool(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
