#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tests/cli/ToolRunner.h"

namespace {

ToolResult Run(const std::vector<std::string>& args, bool stderrTerminal, const std::string* input) {
  ToolResult result;
  int outPipe[2], errPipe[2] = {-1, -1}, inPipe[2] = {-1, -1};
  if (input && pipe(inPipe) != 0) return result;
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
    if (input) {
      dup2(inPipe[0], 0);
      close(inPipe[1]);
    } else {
      dup2(open("/dev/null", O_RDONLY), 0);
    }
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
  std::thread writer;
  if (input) {
    close(inPipe[0]);
    // The tool may stop reading early: a write to a closed pipe then fails, never kills us.
    signal(SIGPIPE, SIG_IGN);
    writer = std::thread([fd = inPipe[1], input] {
      for (size_t done = 0; done < input->size();) {
        const ssize_t n = write(fd, input->data() + done, input->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      close(fd);
    });
  }
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
  if (writer.joinable()) writer.join();
  int status = 0;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  result.maxResidentKb = usage.ru_maxrss;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace

ToolResult RunRdbtool(const std::vector<std::string>& args, bool stderrTerminal) {
  return Run(args, stderrTerminal, nullptr);
}

ToolResult RunRdbtoolWithInput(const std::vector<std::string>& args, const std::string& input) {
  return Run(args, false, &input);
}
