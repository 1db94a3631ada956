// Time: the tick counter, the local time and sleeping.
#pragma once

#include <cstdint>

namespace zelmor::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount).
uint32_t TickCount();
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
LocalTime CurrentLocalTime();
void SleepMs(uint32_t milliseconds);

}  // namespace zelmor::platform
