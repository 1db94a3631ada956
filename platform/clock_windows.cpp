#include "platform/clock.h"

#include "platform/clock_hook.h"
#include "platform/windows_api.h"

namespace zelmor::platform {

uint32_t TickCount() {
  if (const ClockHook* hook = clock_seam::Hook()) return hook->tick_count();
  return ::GetTickCount();
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void SleepMs(uint32_t milliseconds) {
  if (const ClockHook* hook = clock_seam::Hook()) {
    hook->sleep(milliseconds);
    return;
  }
  ::Sleep(milliseconds);
}

}  // namespace zelmor::platform
