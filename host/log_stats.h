// Figures over the event log's database lines: per process and operation
// kind the count, the failures, and percentiles of the durations and of the
// waits for the connect lock; and the slowest single operations.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/log_line.h"

namespace zelmor::host {

// The nearest-rank percentile (the smallest value that at least `percent`
// per cent of the values do not exceed) of sorted `values`; 0 for none.
uint32_t Percentile(const std::vector<uint32_t>& sorted, int percent);

struct OperationFigures {
  int count = 0;  // successes and failures
  int failures = 0;
  std::vector<uint32_t> durations_ms;  // of the timed successes
  std::vector<uint32_t> waits_ms;      // connect-lock waits, failed attempts included
};

class LogStatistics {
 public:
  // Lines without a process marker are counted under process 0.
  void Add(const LogLine& line);

  int64_t LineCount() const { return lines_; }
  std::vector<int64_t> Processes() const;
  // The figures of one process, or of every process with nullopt; durations
  // and waits sorted.
  OperationFigures Figures(std::optional<int64_t> pid, OperationKind kind) const;

  // The table an operator reads: one block per process (with the program
  // named in its load line), one for all processes when there are several,
  // then the slowest operations.
  void Print(std::ostream& out) const;

 private:
  struct Slow {
    uint32_t duration_ms;
    std::string stamp, text;  // CP1251
    int64_t pid;
  };
  using KindFigures = std::array<OperationFigures, kOperationKindCount>;

  void PrintBlock(std::ostream& out, std::optional<int64_t> pid) const;
  void NoteSlow(const LogLine& line, uint32_t duration_ms, int64_t pid);

  int64_t lines_ = 0;
  std::map<int64_t, KindFigures> by_process_;
  std::map<int64_t, std::string> process_names_;
  std::vector<Slow> slowest_;  // longest first
};

}  // namespace zelmor::host
