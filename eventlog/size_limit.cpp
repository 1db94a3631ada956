#include "eventlog/size_limit.h"

#include "eventlog/archives.h"
#include "eventlog/eventlog_unit.h"
#include "platform/files.h"
#include "platform/process.h"

namespace zelmor::eventlog {

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// The copy is deleted on every path, failures included.
class TemporaryCopy {
 public:
  explicit TemporaryCopy(std::string_view log_name)
      : path_(std::string(log_name) + "_" + std::to_string(static_cast<int32_t>(platform::CurrentProcessId())) +
              "_" + std::to_string(static_cast<int32_t>(platform::CurrentThreadId()))),
        file_(LogFile::Open(path_, OpenMode::kCreate)) {}
  ~TemporaryCopy() {
    file_.Close();
    DeleteLogFile(path_, kDefaultOpenTimeout);
  }
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;
  LogFile& File() { return file_; }

 private:
  std::string path_;
  LogFile file_;
};

// Bytes between the nearest line break before the current position and the
// position, or 0 when none lies within reach (the first 255 bytes of the
// file are never examined).
int64_t BytesAfterPreviousBreak(LogFile& file) {
  char block[kBackScanStep];
  int64_t count = 0;
  while (file.Position() >= kBackScanStep) {
    file.Seek(-kBackScanStep, platform::SeekOrigin::kCurrent);
    file.ReadExact(block, kBackScanStep);
    for (int i = kBackScanStep - 1; i >= 0; --i) {
      if (IsLineBreak(block[i])) return count;
      ++count;
    }
    file.Seek(-kBackScanStep, platform::SeekOrigin::kCurrent);
  }
  return 0;
}

}  // namespace

void CutHead(std::string_view file_name, LogFile& file) {
  TemporaryCopy copy(file_name);
  const int64_t kept = file.Size() - file.Position();
  copy.File().CopyFrom(file, kept);
  file.Seek(0, platform::SeekOrigin::kBegin);
  copy.File().Seek(0, platform::SeekOrigin::kBegin);
  // The kept part is written over the head before the file is shortened: a
  // copy that fails half way then leaves every kept line in the file (some
  // twice) instead of cutting off the newest ones, whose only other copy is
  // about to be deleted.
  file.CopyFrom(copy.File(), kept);
  file.SetSize(kept);
}

void CheckSizeLimit(const LogLimits& limits, LogFile file) {
  if (!limits.trim_in_place) {
    file.Close();
    RotateArchives(limits.file_name, limits.max_archives);
    return;
  }
  if (file.Size() <= limits.max_size + kBackScanStep) return;
  file.Seek(-limits.max_size, platform::SeekOrigin::kEnd);
  const int64_t count = BytesAfterPreviousBreak(file);
  file.Seek(-(limits.max_size + count), platform::SeekOrigin::kEnd);
  CutHead(limits.file_name, file);
}

}  // namespace zelmor::eventlog
