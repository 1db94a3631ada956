#include "eventlog/ldslogger.h"

#include <optional>
#include <utility>

#include "eventlog/age_limit.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/log_file.h"
#include "eventlog/log_line.h"
#include "eventlog/size_limit.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/mutex.h"
#include "platform/notification.h"
#include "platform/process.h"
#include "rtl/exceptions.h"
#include "rtl/global_mutex.h"
#include "rtl/paths.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

constexpr char kMutexFailurePrefix[] = "Ошибка при создании объекта \"мьютекс\": ";
constexpr char kFailureReportFormat[] =
    "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>";
constexpr char kFailureMark[] = " <Ошибка при записи в лог>";

}  // namespace

TLDSLogger::LockGuard::LockGuard(TLDSLogger& logger) : logger_(logger) {
  if (!logger_.Lock()) failure_ = MutexWaitFailure();
}

TLDSLogger::TLDSLogger(const std::string& file_name, Role role)
    : write_lock_fork_(role == Role::kFallback ? platform::ForkRank::kErrorsWriterWriteLock
                                               : platform::ForkRank::kLoggerWriteLock,
                       write_lock_),
      list_lock_fork_(role == Role::kFallback ? platform::ForkRank::kErrorsWriterListLock
                                              : platform::ForkRank::kLoggerListLock,
                      list_lock_) {
  Options.IsErrorsWriter = role == Role::kFallback;
  SetFileName(file_name);
}

TLDSLogger::~TLDSLogger() { SetUseGlobalMutex(false); }

bool TLDSLogger::Lock() {
  write_lock_.lock();
  const bool held = platform::WaitMutex(mutex_);
  mutex_held_.push_back(mutex_ && held);
  return held;
}

void TLDSLogger::Unlock() {
  const bool release = !mutex_held_.empty() && mutex_held_.back();
  if (!mutex_held_.empty()) mutex_held_.pop_back();
  if (release && mutex_) platform::ReleaseMutex(mutex_);
  write_lock_.unlock();
}

void TLDSLogger::CloseMutex() {
  if (mutex_) platform::CloseMutex(mutex_);
  mutex_ = nullptr;
}

void TLDSLogger::SetFileName(const std::string& value) {
  std::lock_guard<std::recursive_mutex> guard(write_lock_);
  if (value.empty()) return;
  const std::string name =
      ExtractFilePath(value).empty()
          ? ExtractFilePath(platform::HostExecutablePath()) + value
          : value;
  if ((mutex_ || !use_global_mutex_) && AnsiSameText(name, file_name_)) return;
  CloseMutex();
  file_name_ = name;
  if (use_global_mutex_)
    mutex_ = CreateGlobalMutex(eventlog::MutexNameOf(file_name_), kMutexFailurePrefix,
                               eventlog::kRaiseOnMutexError);
}

std::string TLDSLogger::FileName() const {
  std::lock_guard<std::recursive_mutex> guard(write_lock_);
  return file_name_;
}

void TLDSLogger::SetDateTimeFormat(const std::string& value) {
  std::lock_guard<std::recursive_mutex> guard(write_lock_);
  date_time_format_ = value;
  stamp_time_ = -1.0;
}

void TLDSLogger::SetUseGlobalMutex(bool value) {
  std::lock_guard<std::recursive_mutex> guard(write_lock_);
  use_global_mutex_ = value;
  if (!value) CloseMutex();
}

std::vector<std::string> TLDSLogger::RecentLines() const {
  std::lock_guard<std::recursive_mutex> guard(list_lock_);
  return {recent_lines_.begin(), recent_lines_.end()};
}

DateTime TLDSLogger::LastAgeCheck() const {
  std::lock_guard<std::recursive_mutex> guard(write_lock_);
  return last_age_check_;
}

std::string TLDSLogger::Timestamp(DateTime now) {
  if (now != stamp_time_) {
    stamp_text_ = FormatDateTime(date_time_format_, now, eventlog::LogFormatSettings());
    stamp_time_ = now;
  }
  return stamp_text_;
}

std::string TLDSLogger::BuildLine(std::string_view trimmed_text, uint8_t level) {
  if (trimmed_text.empty()) return {};
  eventlog::LineLayout layout;
  layout.show_level_char = Options.ShowLevelChar;
  layout.show_level_tag = Options.ShowLevelTag;
  layout.show_process_id = Options.ShowProcessId;
  layout.show_thread_id = Options.ShowThreadId;
  layout.prefix = Options.Prefix;
  if (Options.ShowProcessId || Options.ShowThreadId) {
    layout.process_id = platform::CurrentProcessId();
    layout.thread_id = platform::CurrentThreadId();
  }
  return eventlog::FormatLogLine(Timestamp(Seam.Clock()), trimmed_text, level, layout);
}

// A line costs the bare cycle of a shared append, held under the
// machine-wide mutex: lock, open, seek to the end, write, close, unlock. The
// file's sharing adds one call on Linux: the shared flock taken at the open,
// without which another program could rename or delete the log while this
// one writes (Windows refuses both to an open file). Nothing is asked twice:
// the open itself tells a missing file (then created), and the size comes
// from the seek rather than a stat.
void TLDSLogger::AppendToFile(std::string_view line, eventlog::WriteProgress& progress) {
  using eventlog::WriteStage;
  progress.stage = WriteStage::kOpen;
  eventlog::LogFile file =
      eventlog::OpenOrCreateLogFile(file_name_, eventlog::kDefaultOpenTimeout, progress.mode);
  progress.stage = WriteStage::kAppend;
  std::string record;
  record.reserve(line.size() + 2);
  record.append(line).append("\r\n");
  const int64_t size = file.Append(record);
  progress.stage = WriteStage::kLimits;
  ApplyLimits(std::move(file), size);
}

eventlog::LogLimits TLDSLogger::Limits() const {
  return {file_name_,      Options.MaxSize, Options.TrimInPlace, Options.MaxArchives,
          Options.MaxAge, date_time_format_};
}

void TLDSLogger::ApplyLimits(eventlog::LogFile file, int64_t size) {
  const int64_t max_size = Options.MaxSize;
  if (max_size > 0 && size > max_size + max_size / 3) {
    eventlog::CheckSizeLimit(Limits(), std::move(file));
    return;
  }
  const std::optional<DateTime> due =
      eventlog::AgeCheckDue(Options.MaxAge, size, last_age_check_, Seam.Clock);
  if (!due) return;
  // Recorded before the check runs: one that fails is not tried again
  // before the interval has passed.
  last_age_check_ = *due;
  eventlog::CheckAgeLimit(Limits(), std::move(file), *due);
}

void TLDSLogger::WriteLine(std::string_view text, uint8_t level) {
  if (!Options.Enabled) return;
  if (level >= eventlog::kLevelCount || !(Options.Levels & (1u << level))) return;

  LockGuard lock(*this);
  // SetFileName changes the name under the same lock.
  if (file_name_.empty()) return;
  const std::string trimmed = Trim(text);
  std::string line;
  eventlog::WriteProgress progress;
  try {
    if (!lock.Failure().empty()) throw EOSError(lock.Failure());
    progress.stage = eventlog::WriteStage::kFormat;
    line = BuildLine(trimmed, level);
    AppendToFile(line, progress);
  } catch (const std::exception& error) {
    // Once the file was open the whole line is what failed to reach it.
    ReportFailure(progress.Text(),
                  progress.FileOpened() ? std::string_view(line) : std::string_view(trimmed),
                  error.what(), ClassNameOf(error));
    line += kFailureMark;
  } catch (...) {
    ReportFailure(progress.Text(), trimmed, "", "Exception");
    line += kFailureMark;
  }
  if (Options.NotifyWindow != 0 && Options.NotifyMessage != 0) AddRecentLine(line);
}

void TLDSLogger::ReportFailure(const std::string& stage, std::string_view text,
                               const std::string& message, const char* class_name) {
  if (Options.IsErrorsWriter || !eventlog::ErrorsWriter) return;
  try {
    eventlog::ErrorsWriter->WriteFmt(
        kFailureReportFormat,
        {stage, file_name_, Trim(text), message, std::string(class_name)}, 0);
  } catch (...) {
    // The fallback has nowhere left to report to.
  }
}

void TLDSLogger::AddRecentLine(const std::string& line) {
  std::lock_guard<std::recursive_mutex> guard(list_lock_);
  recent_lines_.push_back(line);
  while (!recent_lines_.empty() &&
         static_cast<int64_t>(recent_lines_.size()) > Options.MaxRecentLines)
    recent_lines_.pop_front();
  platform::PostNotification(Options.NotifyWindow, Options.NotifyMessage);
}

void TLDSLogger::WriteFmt(std::string_view format, const FormatArgs& args, uint8_t level) {
  try {
    WriteLine(Format(format, args), level);
  } catch (const std::exception& error) {
    throw Exception("Error args for string [" + std::string(format) + "]: " + error.what());
  }
}

}  // namespace zelmor
