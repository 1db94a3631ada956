// The log read as entries: a stamped line with the further lines that
// continue it (a statement's text, a server's message of several lines),
// joined by "\n" into one text, so that what ends the last line (a
// failure's wait) belongs to its entry.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zelmor::host {

class LogEntries {
 public:
  // `emit` gets each whole entry (CP1251, without the last line's end).
  explicit LogEntries(std::function<void(const std::string&)> emit) : emit_(std::move(emit)) {}
  // One line (without CR LF); `stamped` when ParseLogLine finds a timestamp
  // in it. Further lines before any stamped one are dropped.
  void Take(const std::string& line, bool stamped);
  // Hands on the entry still open: call once its lines are all read.
  void Flush();

 private:
  std::function<void(const std::string&)> emit_;
  std::optional<std::string> open_;
};

}  // namespace zelmor::host
