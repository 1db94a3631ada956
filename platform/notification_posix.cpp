#include "platform/notification.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/errors_posix.h"

namespace zelmor::platform {

namespace {

// A write to a pipe whose reader has gone raises SIGPIPE, which ends a host
// that never asked for it. The signal is blocked in this thread for the
// write, and one the write raised is taken back before it is unblocked.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &pipe_, &before_) == 0;
  }
  ~SigpipeBlocked() {
    if (!blocked_) return;
    const int saved = errno;
    if (!was_pending_) {
      const timespec now{0, 0};
      while (::sigtimedwait(&pipe_, nullptr, &now) == SIGPIPE) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    errno = saved;
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipe_, before_;
  bool was_pending_ = false;
  bool blocked_ = false;
};

}  // namespace

bool PostNotification(uintptr_t target, uint32_t message) {
  const int fd = static_cast<int>(target);
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT) || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
    SetLastError(kErrorWriteFault);
    return false;
  }
  SigpipeBlocked no_sigpipe;
  if (::write(fd, &message, sizeof message) == sizeof message) return true;
  // An eventfd takes a 64-bit counter only.
  const uint64_t counter = message;
  if (errno == EINVAL && ::write(fd, &counter, sizeof counter) == sizeof counter) return true;
  SetErrno(errno);
  return false;
}

void Beep(uint32_t /*frequency*/, uint32_t duration_ms) { SleepMs(duration_ms); }

}  // namespace zelmor::platform
