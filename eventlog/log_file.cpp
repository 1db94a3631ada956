#include "eventlog/log_file.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "eventlog/eventlog_unit.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "rtl/exceptions.h"

namespace zelmor::eventlog {

namespace {

[[noreturn]] void RaiseSystemError(uint32_t code) {
  throw EOSError(platform::SystemErrorMessage(code));
}

bool IsSharingConflict(uint32_t code) {
  return code == platform::kErrorSharingViolation || code == platform::kErrorLockViolation;
}

// Signed difference of two wrapping tick readings.
int32_t TicksUntil(uint32_t deadline) {
  return static_cast<int32_t>(deadline - platform::TickCount());
}

bool IsMissing(uint32_t code) {
  return code == platform::kErrorFileNotFound || code == platform::kErrorPathNotFound;
}

}  // namespace

LogFile::LogFile(LogFile&& other) noexcept
    : handle_(std::exchange(other.handle_, platform::kInvalidFile)) {}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, platform::kInvalidFile);
  }
  return *this;
}

LogFile LogFile::TryOpen(const std::string& path, OpenMode mode, uint32_t& error) {
  const platform::FileHandle handle = mode == OpenMode::kCreate
                                          ? platform::CreateExclusive(path)
                                          : platform::OpenShared(path, true);
  error = handle == platform::kInvalidFile ? platform::LastError() : 0;
  return LogFile(handle);
}

void LogFile::RaiseOpenError(const std::string& path, OpenMode mode, uint32_t error) {
  const std::string text = "\"" + path + "\". " + platform::SystemErrorMessage(error);
  if (mode == OpenMode::kCreate) throw EFCreateError("Cannot create file " + text);
  throw EFOpenError("Cannot open file " + text);
}

LogFile LogFile::Open(const std::string& path, OpenMode mode) {
  uint32_t error = 0;
  LogFile file = TryOpen(path, mode, error);
  if (!file.IsOpen()) RaiseOpenError(path, mode, error);
  return file;
}

void LogFile::Close() {
  if (IsOpen()) platform::FileClose(std::exchange(handle_, platform::kInvalidFile));
}

int64_t LogFile::Seek(int64_t offset, platform::SeekOrigin origin) {
  const int64_t position = platform::FileSeek(handle_, offset, origin);
  if (position < 0) RaiseSystemError(platform::LastError());
  return position;
}

int64_t LogFile::Size() {
  const int64_t size = platform::FileGetSize(handle_);
  if (size < 0) RaiseSystemError(platform::LastError());
  return size;
}

void LogFile::SetSize(int64_t size) {
  if (!platform::FileSetSize(handle_, size)) RaiseSystemError(platform::LastError());
}

void LogFile::ReadExact(void* buffer, size_t count) {
  char* out = static_cast<char*>(buffer);
  while (count > 0) {
    const int64_t n = platform::FileRead(handle_, out, count);
    if (n <= 0) throw EReadError("Stream read error");
    out += n;
    count -= static_cast<size_t>(n);
  }
}

void LogFile::Write(const void* buffer, size_t count) {
  if (!platform::FileWriteAll(handle_, buffer, count)) throw EWriteError("Stream write error");
}

int64_t LogFile::Append(std::string_view bytes) {
  const int64_t old_end = Seek(0, platform::SeekOrigin::kEnd);
  if (platform::FileWriteAll(handle_, bytes.data(), bytes.size()))
    return old_end + static_cast<int64_t>(bytes.size());
  const uint32_t error = platform::LastError();
  platform::FileSetSize(handle_, old_end);
  throw EWriteError("Stream write error: " + platform::SystemErrorMessage(error));
}

void LogFile::CopyFrom(LogFile& source, int64_t count) {
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  while (count > 0) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count, buffer.size()));
    source.ReadExact(buffer.data(), chunk);
    Write(buffer.data(), chunk);
    count -= static_cast<int64_t>(chunk);
  }
}

namespace {

LogFile OpenWithRetries(const std::string& path, OpenMode& mode, int timeout_ms,
                        bool create_when_missing) {
  if (timeout_ms < 0) timeout_ms = kDefaultOpenTimeout;
  const uint32_t deadline = platform::TickCount() + static_cast<uint32_t>(timeout_ms);
  for (;;) {
    uint32_t error = 0;
    LogFile file = LogFile::TryOpen(path, mode, error);
    if (file.IsOpen()) return file;
    if (create_when_missing && mode == OpenMode::kOpenReadWrite && IsMissing(error)) {
      mode = OpenMode::kCreate;
      continue;
    }
    if (!IsSharingConflict(error) || timeout_ms == 0) LogFile::RaiseOpenError(path, mode, error);
    if (TicksUntil(deadline) <= 0)
      throw Exception("Log file open timeout: " + std::to_string(timeout_ms) + " ms (" +
                      platform::SystemErrorMessage(error) + ")");
    platform::SleepMs(10);
  }
}

}  // namespace

LogFile OpenLogFile(const std::string& path, OpenMode mode, int timeout_ms) {
  return OpenWithRetries(path, mode, timeout_ms, false);
}

LogFile OpenOrCreateLogFile(const std::string& path, int timeout_ms, OpenMode& mode) {
  mode = OpenMode::kOpenReadWrite;
  return OpenWithRetries(path, mode, timeout_ms, true);
}

bool DeleteLogFile(const std::string& path, int timeout_ms) {
  const uint32_t deadline = platform::TickCount() + static_cast<uint32_t>(timeout_ms);
  while (!platform::DeleteFile(path)) {
    if (!IsSharingConflict(platform::LastError()) || TicksUntil(deadline) <= 0) return false;
    platform::SleepMs(10);
  }
  return true;
}

}  // namespace zelmor::eventlog
