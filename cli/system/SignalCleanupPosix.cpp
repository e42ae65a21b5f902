#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "cli/system/SignalCleanup.h"

namespace rdbtool {

namespace {

char g_name[8192];
volatile sig_atomic_t g_folder = AT_FDCWD;
volatile sig_atomic_t g_have = 0;
bool g_installed = false;

void RemoveAndEnd(int signal) {
  if (g_have) unlinkat(g_folder, g_name, 0);
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void RemoveOnSignal(int folder, const std::string& name) {
  g_have = 0;
  if (name.size() >= sizeof g_name) return;
  memcpy(g_name, name.c_str(), name.size() + 1);
  g_folder = folder;
  g_have = 1;
  if (g_installed) return;
  g_installed = true;
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = RemoveAndEnd;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before;
    // A signal ignored by whoever started the tool (nohup) stays ignored.
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

void ForgetOnSignal() { g_have = 0; }

}  // namespace rdbtool
