#include "platform/testing/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/errors_posix.h"

namespace zelmor::platform {

namespace {

// In the child, between fork and exec: only async-signal-safe calls.
bool RedirectTo(const char* path, int descriptor) {
  const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) return false;
  const bool moved = ::dup2(file, descriptor) >= 0;
  ::close(file);
  return moved;
}

}  // namespace

ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments,
                           const ChildOutput* output) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    SetErrno(errno);
    return kInvalidProcess;
  }
  if (pid == 0) {
    if (output && (!RedirectTo(output->stdout_path.c_str(), STDOUT_FILENO) ||
                   !RedirectTo(output->stderr_path.c_str(), STDERR_FILENO)))
      ::_exit(127);
    ::execv(executable.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code) {
  const uint32_t start = TickCount();
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    if (done == static_cast<pid_t>(process)) {
      exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    if (done < 0) {
      SetErrno(errno);
      exit_code = -1;
      return true;
    }
    if (TickCount() - start >= timeout_ms) return false;
    SleepMs(5);
  }
}

void KillProcess(ProcessHandle process) {
  ::kill(static_cast<pid_t>(process), SIGKILL);
  int status;
  ::waitpid(static_cast<pid_t>(process), &status, 0);
}

void InterruptProcess(ProcessHandle process) {
  ::kill(static_cast<pid_t>(process), SIGINT);
  int status;
  ::waitpid(static_cast<pid_t>(process), &status, 0);
}

void CloseProcess(ProcessHandle) {}

}  // namespace zelmor::platform
