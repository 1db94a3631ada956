#include "platform/clock.h"

#include "platform/clock_hook.h"

#include <time.h>

#include <atomic>
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

namespace {

// The zone's offset from UTC of the last second asked for, packed with that
// second into one word so that threads read both at once: localtime_r costs
// more than the rest of a log line's time stamp, and an offset changes only
// on a whole second.
constexpr int kOffsetBits = 20;
constexpr int64_t kOffsetBias = int64_t{1} << (kOffsetBits - 1);
std::atomic<uint64_t> g_last_offset{0};

int64_t OffsetAt(time_t second) {
  const uint64_t packed = g_last_offset.load(std::memory_order_relaxed);
  if (packed != 0 && static_cast<int64_t>(packed >> kOffsetBits) == second) {
    return static_cast<int64_t>(packed & ((uint64_t{1} << kOffsetBits) - 1)) - kOffsetBias;
  }
  tm parts;
  ::localtime_r(&second, &parts);
  const int64_t offset = parts.tm_gmtoff;
  if (second > 0 && offset > -kOffsetBias && offset < kOffsetBias) {
    g_last_offset.store((static_cast<uint64_t>(second) << kOffsetBits) |
                            static_cast<uint64_t>(offset + kOffsetBias),
                        std::memory_order_relaxed);
  }
  return offset;
}

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian, in
// eras of 400 years).
void CivilDate(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

LocalTime CurrentLocalTime() {
  timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  const int64_t local = static_cast<int64_t>(ts.tv_sec) + OffsetAt(ts.tv_sec);
  const int64_t days = (local >= 0 ? local : local - 86399) / 86400;
  const int64_t second_of_day = local - days * 86400;
  LocalTime time{};
  CivilDate(days, time.year, time.month, time.day);
  time.hour = static_cast<int>(second_of_day / 3600);
  time.minute = static_cast<int>(second_of_day / 60 % 60);
  time.second = static_cast<int>(second_of_day % 60);
  time.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  return time;
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
