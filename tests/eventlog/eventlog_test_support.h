// Helpers of the test programs that write through the event log. Linking
// zelmor_eventlog_test_support sets the event log unit up for the whole
// program, with the fallback logger's file in a folder of the program's
// own (the temporary folder is pointed there first), so that its lines can
// be counted without other programs' lines in between.
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
