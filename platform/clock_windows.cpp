#include "platform/clock.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

uint32_t TickCount() { return ::GetTickCount(); }

LocalTime CurrentLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace zelmor::platform
