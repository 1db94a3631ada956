#include "platform/notification.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/errors_posix.h"

namespace zelmor::platform {

bool PostNotification(uintptr_t target, uint32_t message) {
  const int fd = static_cast<int>(target);
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) {
    SetLastError(kErrorWriteFault);
    return false;
  }
  if (::write(fd, &message, sizeof message) == sizeof message) return true;
  // An eventfd takes a 64-bit counter only.
  const uint64_t counter = message;
  if (errno == EINVAL && ::write(fd, &counter, sizeof counter) == sizeof counter) return true;
  SetErrno(errno);
  return false;
}

void Beep(uint32_t /*frequency*/, uint32_t duration_ms) { SleepMs(duration_ms); }

}  // namespace zelmor::platform
