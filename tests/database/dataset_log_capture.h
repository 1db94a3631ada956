// The event log of the dataset and transaction tests read back line by
// line, and a clean process-wide state around each case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventlog/ldslogger.h"
#include "support/test_support.h"

namespace zelmor::test {

// One line of the event log: its level tag (empty at level 0) and its text
// after the process and thread markers.
struct LogEntry {
  std::string tag;
  std::string text;
};

// An event logger with the library's own options over `path`, handed to the
// database operations for the scope's lifetime. Also sets up the event log
// unit where nobody did (child processes run outside GoogleTest's
// environment).
class EventLogScope {
 public:
  explicit EventLogScope(const std::string& path);
  ~EventLogScope();
  EventLogScope(const EventLogScope&) = delete;
  EventLogScope& operator=(const EventLogScope&) = delete;

 private:
  bool owns_unit_;
  std::unique_ptr<TLDSLogger> logger_;
};

// The lines of a log file written by an EventLogScope; a text that held line
// breaks comes back whole.
std::vector<LogEntry> ReadLog(const std::string& path);
// Their texts only, in order.
std::vector<std::string> LogTexts(const std::string& path);

// A case with its own event log; the switches and the tick source are put
// back afterwards.
class LoggedCase : public ::testing::Test {
 protected:
  LoggedCase();
  ~LoggedCase() override;

  std::vector<LogEntry> Log() const { return ReadLog(log_path_); }
  std::vector<std::string> Texts() const { return LogTexts(log_path_); }
  // The n-th reading of Ticks() (from 0) answers first + n * step, so every
  // timed step of the case takes `step` ms.
  static void FixTicks(uint32_t first, uint32_t step);

 private:
  TempFolder folder_;
  std::string log_path_;
  EventLogScope log_;
};

// The object number of `object` as the lines print it.
std::string Num(const void* object);

}  // namespace zelmor::test
