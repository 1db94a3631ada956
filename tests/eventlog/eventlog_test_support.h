// Helpers of the event log tests.
#pragma once

#include <string>
#include <vector>

#include "rtl/datetime.h"

namespace zelmor::test {

// Sets the event log unit up for one scope (child processes run outside
// GoogleTest's environment).
class EventLogUnitScope {
 public:
  EventLogUnitScope();
  ~EventLogUnitScope();
  EventLogUnitScope(const EventLogUnitScope&) = delete;
  EventLogUnitScope& operator=(const EventLogUnitScope&) = delete;
};

// 07.12.2026 03:51:33.123, the moment the tests' fixed clocks stand at.
DateTime FixedMoment();
constexpr double kHour = 1.0 / 24;

// Lines written by the fallback logger since it had `from` bytes.
std::vector<std::string> ErrorsWriterLinesFrom(size_t from);
size_t ErrorsWriterSize();

}  // namespace zelmor::test
