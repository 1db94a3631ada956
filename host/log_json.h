// The event log as JSON lines: one object per entry (see log_entries.h),
// for tools that read the log as data.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "host/log_line.h"

namespace zelmor::host {

class LogJsonWriter {
 public:
  // Every line of the log, taken or not: the load lines name the programs.
  void See(const std::optional<LogLine>& parsed);
  // The object of one entry (CP1251, its lines joined), as one line with
  // its "\n".
  std::string EntryObject(const std::string& entry) const;

 private:
  std::map<int64_t, std::string> programs_;  // pid -> UTF-8 path
};

}  // namespace zelmor::host
