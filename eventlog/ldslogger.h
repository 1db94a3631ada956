// TLDSLogger: one shared log file, appended to one line at a time by any
// number of threads and processes.
//
// Every line is written under an in-process lock and a machine-wide mutex
// named from the file's path: the file is opened, appended to, kept within
// its size and age limits, and closed again. A write never fails towards its
// caller; its failures go to the unit's fallback logger (eventlog_unit.h).
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "eventlog/eventlog_unit.h"
#include "eventlog/log_file.h"
#include "eventlog/log_limits.h"
#include "eventlog/log_levels.h"
#include "eventlog/logger_options.h"
#include "eventlog/write_progress.h"
#include "platform/fork_guard.h"
#include "platform/mutex.h"
#include "rtl/datetime.h"
#include "rtl/format.h"

namespace zelmor {

class TLDSLogger {
 public:
  // The fallback logger is called by the others while they hold their
  // locks, so its locks come after theirs.
  enum class Role { kOrdinary, kFallback };

  // A bare file name is placed in the host executable's folder. Raises when
  // the mutex's security descriptor cannot be prepared. The fallback logger
  // has Options.IsErrorsWriter set.
  explicit TLDSLogger(const std::string& file_name, Role role = Role::kOrdinary);
  virtual ~TLDSLogger();
  TLDSLogger(const TLDSLogger&) = delete;
  TLDSLogger& operator=(const TLDSLogger&) = delete;

  // Writes one line; raises nothing.
  void WriteLine(std::string_view text, uint8_t level = 0);
  // Formats, then writes. A format that does not fit its arguments raises
  // Exception("Error args for string [<format>]: <message>") and writes
  // nothing.
  void WriteFmt(std::string_view format, const FormatArgs& args, uint8_t level = 0);

  // Both locks, re-entrant for the owning thread: lines written between Lock
  // and Unlock stay together in the file. Lock is false when the wait for the
  // machine-wide mutex failed: the in-process lock is held all the same, and
  // each line written meanwhile tries the mutex again (a line is never
  // written without it; its failure goes to ErrorsWriter).
  bool Lock();
  void Unlock();

  std::string FileName() const;
  void SetFileName(const std::string& value);
  const std::string& DateTimeFormat() const { return date_time_format_; }
  void SetDateTimeFormat(const std::string& value);
  bool UseGlobalMutex() const { return use_global_mutex_; }
  // False closes the mutex; true takes effect at the next SetFileName.
  void SetUseGlobalMutex(bool value);
  platform::MutexHandle Mutex() const { return mutex_; }

  // A copy of the most recent lines, kept while NotifyWindow is set.
  std::vector<std::string> RecentLines() const;
  // When this logger last checked the age of its file (0: never).
  DateTime LastAgeCheck() const;

  // Holds both locks for one scope, as Lock and Unlock do.
  class LockGuard {
   public:
    explicit LockGuard(TLDSLogger& logger);
    ~LockGuard() { logger_.Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

    // Empty while the machine-wide mutex is held, else why it is not.
    const std::string& Failure() const { return failure_; }

   private:
    TLDSLogger& logger_;
    std::string failure_;
  };

  eventlog::LoggerOptions Options;
  eventlog::LoggerSeam Seam;

 private:
  std::string Timestamp(DateTime now);
  std::string BuildLine(std::string_view trimmed_text, uint8_t level);
  // Opens (or creates), appends `line` and its CR LF, applies the limits and
  // closes, keeping `progress` at the step under way.
  void AppendToFile(std::string_view line, eventlog::WriteProgress& progress);
  // Runs the one limit check a line calls for on the file of `size` bytes;
  // the file is closed after.
  void ApplyLimits(eventlog::LogFile file, int64_t size);
  eventlog::LogLimits Limits() const;
  void ReportFailure(const std::string& stage, std::string_view text,
                     const std::string& message, const char* class_name);
  void AddRecentLine(const std::string& line);
  void CloseMutex();

  // Serialises writes and the three setters.
  mutable std::recursive_mutex write_lock_;
  platform::MutexHandle mutex_ = nullptr;
  // Per Lock still open, innermost last: whether it holds the mutex.
  std::vector<bool> mutex_held_;
  std::string file_name_;
  std::string date_time_format_ = "dd/mm/yyyy hh:nn:ss.zzz";
  bool use_global_mutex_ = eventlog::kDefaultUseGlobalMutex;
  DateTime last_age_check_ = 0.0;
  // Many lines share one millisecond; their timestamp is formatted once.
  DateTime stamp_time_ = -1.0;
  std::string stamp_text_;

  // Guards recent_lines_.
  mutable std::recursive_mutex list_lock_;
  std::deque<std::string> recent_lines_;

  // A child forked while another thread writes gets both locks free.
  platform::ForkLockRegistration write_lock_fork_;
  platform::ForkLockRegistration list_lock_fork_;
};

}  // namespace zelmor
