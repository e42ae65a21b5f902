#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "tests/cli/ToolRunner.h"

ToolResult RunRdbtool(const std::vector<std::string>& args, bool stderrTerminal) {
  ToolResult result;
  int outPipe[2], errPipe[2] = {-1, -1};
  int master = -1, slave = -1;
  if (pipe(outPipe) != 0) return result;
  if (stderrTerminal) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return result;
  } else if (pipe(errPipe) != 0) {
    return result;
  }
  // RDBTOOL_UNDER_TEST runs another build of the tool (an older one, to see a test fail).
  const char* override = getenv("RDBTOOL_UNDER_TEST");
  const char* tool = override && *override ? override : RDBTOOL_PATH;
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    dup2(outPipe[1], 1);
    dup2(stderrTerminal ? slave : errPipe[1], 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(tool, argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  int errRead = stderrTerminal ? master : errPipe[0];
  if (stderrTerminal) close(slave);
  else close(errPipe[1]);

  int open = 2;
  struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errRead, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[k]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        // A pseudo-terminal's master reports EIO once the child's side is closed.
        close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}
