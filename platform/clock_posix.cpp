#include "platform/clock.h"

#include "platform/clock_hook.h"

#include <time.h>

#include <cerrno>

// The build gives 32-bit Linux a 64-bit time_t (CMakeLists.txt).
static_assert(sizeof(time_t) == 8, "64-bit time_t");

namespace zelmor::platform {

uint32_t TickCount() {
  if (const ClockHook* hook = clock_seam::Hook()) return hook->tick_count();
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}

LocalTime CurrentLocalTime() {
  timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm parts;
  ::localtime_r(&ts.tv_sec, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

void SleepMs(uint32_t milliseconds) {
  if (const ClockHook* hook = clock_seam::Hook()) {
    hook->sleep(milliseconds);
    return;
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000),
              static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace zelmor::platform
