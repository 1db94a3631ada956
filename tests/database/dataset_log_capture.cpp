#include "dataset_log_capture.h"

#include <atomic>

#include "database/process_state.h"
#include "eventlog/eventlog_unit.h"

namespace zelmor::test {

EventLogScope::EventLogScope(const std::string& path)
    : owns_unit_(eventlog::ErrorsWriter == nullptr) {
  if (owns_unit_) eventlog::InitializeUnit();
  logger_ = std::make_unique<TLDSLogger>(path);
  logger_->SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  logger_->Options.ShowProcessId = true;
  logger_->Options.ShowThreadId = true;
  logger_->Options.MaxSize = 0;
  db::SetEventLogger(logger_.get());
}

EventLogScope::~EventLogScope() {
  db::SetEventLogger(nullptr);
  logger_.reset();
  if (owns_unit_) eventlog::FinalizeUnit();
}

std::vector<LogEntry> ReadLog(const std::string& path) {
  // "dd/mm hh:nn:ss.zzz[ tag] <P:n;T:n> text"
  constexpr size_t kStampLength = 18;
  std::vector<LogEntry> entries;
  const std::string bytes = platform::FileExists(path) ? ReadFileBytes(path) : std::string();
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = bytes.substr(start, end - start);
    const size_t markers = line.find(" <P:");
    const size_t text = line.find("> ", markers);
    if (markers == std::string::npos || text == std::string::npos || markers < kStampLength) {
      // A text with line breaks (a server's message) goes on in the next lines.
      if (entries.empty()) ADD_FAILURE() << "not a log line: " << line;
      else entries.back().text += "\r\n" + line;
      continue;
    }
    entries.push_back({line.substr(kStampLength, markers - kStampLength), line.substr(text + 2)});
  }
  return entries;
}

std::vector<std::string> LogTexts(const std::string& path) {
  std::vector<std::string> texts;
  for (const LogEntry& entry : ReadLog(path)) texts.push_back(entry.text);
  return texts;
}

LoggedCase::LoggedCase() : log_path_(folder_ / "FBEvents.log"), log_(log_path_) {}

LoggedCase::~LoggedCase() {
  db::LogDbOperations = true;
  db::LogSqlOnError = true;
  db::SetTickSource({});
}

void LoggedCase::FixTicks(uint32_t first, uint32_t step) {
  auto calls = std::make_shared<std::atomic<uint32_t>>(0);
  db::SetTickSource([=] { return first + (*calls)++ * step; });
}

std::string Num(const void* object) { return std::to_string(db::ObjectNumber(object)); }

}  // namespace zelmor::test
