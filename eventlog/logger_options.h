// What a TLDSLogger is told from outside: its plain options, and the seam
// tests drive its time-dependent behaviour through.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "eventlog/log_levels.h"
#include "rtl/datetime.h"

namespace zelmor::eventlog {

// Plain options: set right after construction, before any write (the
// options with behaviour, FileName, DateTimeFormat and UseGlobalMutex, are
// the logger's setters).
struct LoggerOptions {
  int64_t MaxSize = 1048576;  // bytes; 0 or less: no size limit
  bool TrimInPlace = true;    // at a limit: cut the head (true) or rotate
  bool Enabled = true;
  std::string Prefix;
  bool ShowThreadId = false;
  bool ShowProcessId = false;
  bool ShowLevelChar = false;
  bool ShowLevelTag = true;
  int32_t MaxArchives = 10;  // 0 or less: archives are never deleted
  bool IsErrorsWriter = false;
  LevelSet Levels = kAllLevels;
  // Notification target (a window, or a descriptor on Linux); 0 = none.
  uintptr_t NotifyWindow = 0;
  uint32_t NotifyMessage = 1345;
  int32_t MaxRecentLines = 1024;
  double MaxAge = 0.0;  // days; 0 or less: no age limit
};

// What tests replace so that time-dependent behaviour needs no waiting.
struct LoggerSeam {
  // The current local time, for timestamps and the age limit.
  std::function<DateTime()> Clock = Now;
};

}  // namespace zelmor::eventlog
