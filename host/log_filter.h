// Which log lines to show or count: by level, process, time and text.
#pragma once

#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>

#include "host/log_line.h"
#include "host/log_moment.h"

namespace zelmor::host {

struct LogFilter {
  std::set<int> levels;      // empty: every level
  std::set<int64_t> pids;    // empty: every process
  std::optional<Moment> since, until;  // both ends included
  std::optional<std::regex> grep;      // searched in the line as shown (UTF-8)

  bool Active() const { return !levels.empty() || !pids.empty() || since || until || grep; }
};

// Comma-separated lists of --level and --pid; false with `error` naming
// the bad item.
bool ParseLevels(std::string_view text, std::set<int>& levels, std::string& error);
bool ParsePids(std::string_view text, std::set<int64_t>& pids, std::string& error);

// Decides line by line. A line without a timestamp (the further lines of a
// multi-line text) goes with the line it continues; with an active filter
// the empty separator lines are left out.
class LineSelector {
 public:
  LineSelector(const LogFilter& filter, const Today& today) : filter_(filter), today_(today) {}
  // `line` is CP1251 without its CR LF; `parsed` its parse (ParseLogLine).
  bool Take(std::string_view line, const std::optional<LogLine>& parsed);

 private:
  bool Matches(std::string_view line, const LogLine& parsed) const;

  const LogFilter& filter_;
  Today today_;
  bool last_taken_ = false;
};

}  // namespace zelmor::host
