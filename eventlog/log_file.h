// A file stream over one open log file (or the temporary copy of a cut),
// closed when it goes. Failures raise the stream exceptions of the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zelmor::eventlog {

enum class OpenMode {
  kOpenReadWrite,  // an existing file, shared with every other reader and writer
  kCreate,         // created or replaced, not shared while open
};

class LogFile {
 public:
  LogFile() = default;
  ~LogFile() { Close(); }
  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&& other) noexcept;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens or raises EFOpenError / EFCreateError with the system's text.
  static LogFile Open(const std::string& path, OpenMode mode);
  // Opens without raising; on failure the result is closed and `error`
  // holds the OS error code.
  static LogFile TryOpen(const std::string& path, OpenMode mode, uint32_t& error);
  [[noreturn]] static void RaiseOpenError(const std::string& path, OpenMode mode,
                                          uint32_t error);

  bool IsOpen() const { return handle_ != platform::kInvalidFile; }
  void Close();

  int64_t Seek(int64_t offset, platform::SeekOrigin origin);
  int64_t Position() { return Seek(0, platform::SeekOrigin::kCurrent); }
  int64_t Size();
  void SetSize(int64_t size);
  // Reads exactly `count` bytes or raises EReadError.
  void ReadExact(void* buffer, size_t count);
  void Write(const void* buffer, size_t count);
  // Appends `bytes` at the end as one write and returns the size after it,
  // counted from the end the seek found, so no stat is needed. A write the
  // OS takes only in part is cut back to the old end before EWriteError is
  // raised, so no torn line stays in the file.
  int64_t Append(std::string_view bytes);
  // Copies `count` bytes from `source`'s position to this file's position.
  void CopyFrom(LogFile& source, int64_t count);

 private:
  explicit LogFile(platform::FileHandle handle) : handle_(handle) {}

  platform::FileHandle handle_ = platform::kInvalidFile;
};

// Opens the log file, retrying every 10 ms while another program holds it
// (sharing or lock violation) until `timeout_ms` after the first attempt; a
// negative timeout means kDefaultOpenTimeout, 0 a single attempt. Other
// failures raise the open's own error at once.
LogFile OpenLogFile(const std::string& path, OpenMode mode, int timeout_ms);
// As OpenLogFile with kOpenReadWrite, except that a missing file (or
// folder) is created instead: the open itself tells, so no existence check
// is made first. `mode` ends as the kind of open the file or the failure
// came from.
LogFile OpenOrCreateLogFile(const std::string& path, int timeout_ms, OpenMode& mode);

// Deletes `path`, retrying sharing and lock violations (a scanner or indexer
// holding the file for a moment) every 10 ms until `timeout_ms` after the
// first attempt. False when the file is still there.
bool DeleteLogFile(const std::string& path, int timeout_ms);

}  // namespace zelmor::eventlog
