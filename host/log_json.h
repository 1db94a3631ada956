// The event log as JSON lines: one object per entry (a stamped line with the
// further lines that continue it), for tools that read the log as data.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "host/log_line.h"

namespace zelmor::host {

class LogJsonWriter {
 public:
  // `emit` gets each entry's object, as one line with its "\n".
  explicit LogJsonWriter(std::function<void(std::string)> emit) : emit_(std::move(emit)) {}
  // Every line of the log, taken or not: the load lines name the programs.
  void See(const std::optional<LogLine>& parsed);
  // A line the filter took (CP1251, without CR LF).
  void Take(const std::string& line, const std::optional<LogLine>& parsed);
  // Writes the entry still open; its further lines, if any, are all read.
  void Flush();

 private:
  std::function<void(std::string)> emit_;
  std::map<int64_t, std::string> programs_;  // pid -> UTF-8 path
  std::optional<std::string> open_;          // the entry's stamped line
  std::string further_;                      // its further lines, joined
};

}  // namespace zelmor::host
