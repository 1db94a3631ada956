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
  // Empty: every level. "error" (2) also takes the library's failure lines
  // at whatever level they were written.
  std::set<int> levels;
  std::set<int64_t> pids;    // empty: every process
  std::optional<Moment> since, until;  // both ends included
  std::optional<std::regex> grep;      // searched in the line as shown (UTF-8)
  // --grep -i: the regex folds ASCII itself (icase); Cyrillic it cannot, so
  // the line is searched with its letters folded, the pattern made by
  // FoldedPattern.
  bool fold_case = false;

  bool Active() const { return !levels.empty() || !pids.empty() || since || until || grep; }
};

// Comma-separated lists of --level and --pid; false with `error` naming
// the bad item.
bool ParseLevels(std::string_view text, std::set<int>& levels, std::string& error);
bool ParsePids(std::string_view text, std::set<int64_t>& pids, std::string& error);

// A UTF-8 pattern with its Cyrillic letters in lower case; the ASCII ones
// stay, as folding them would change escapes such as \D.
std::string FoldedPattern(std::string_view utf8);

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
