// What the size and age limits of a log file read from its logger, handed
// over as values while the logger holds its locks.
#pragma once

#include <cstdint>
#include <string_view>

namespace zelmor::eventlog {

struct LogLimits {
  std::string_view file_name;
  int64_t max_size = 0;       // bytes; the size check runs only above 0
  bool trim_in_place = true;  // cut the head in place, or rotate into archives
  int32_t max_archives = 0;   // archives kept at a rotation; 0 or less: all
  double max_age = 0.0;       // days
  std::string_view date_time_format;  // the timestamps' pattern, for the age scan
};

}  // namespace zelmor::eventlog
