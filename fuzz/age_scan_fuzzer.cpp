// The age limit's scan over arbitrary log files. The first byte chooses
// in-place cut or rotation and the timestamp pattern, the second the age
// limit; the rest is the file, repeated until it is larger than one scan
// block so that the check acts. Whatever it holds, a cut keeps a tail of
// the file that begins a line and holds every byte the scan did not read,
// a rotation moves the file unchanged, and no temporary copy stays behind.
#include <algorithm>
#include <optional>
#include <utility>

#include "eventlog/age_limit.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/log_file.h"
#include "fuzz_support.h"
#include "platform/platform.h"
#include "rtl/datetime.h"

using namespace zelmor;
using namespace zelmor::eventlog;

namespace {

const std::string& LogPath() {
  static const std::string* path = new std::string(fuzz::WorkFolder() + "app.log");
  return *path;
}

// 07.12.2026 03:51:33.123: every run sees the same clock.
DateTime FixedNow() {
  static const DateTime now = [] {
    InitializeUnit();  // the timestamp settings
    return EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123);
  }();
  return now;
}

std::string ReadAll(const std::string& path) {
  LogFile file = LogFile::Open(path, OpenMode::kOpenReadWrite);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  if (!bytes.empty()) file.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  LogFile file = LogFile::Open(path, OpenMode::kCreate);
  file.Write(bytes.data(), bytes.size());
}

// Bytes at the end of the file that the scan never reads.
size_t UnscannedTail(size_t size) {
  size_t scanned = 0;
  while (scanned + kAgeScanBlock < size) scanned += kAgeScanBlock;
  return size - scanned;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t mode = input.Byte();
  LogLimits limits;
  limits.file_name = LogPath();
  limits.max_archives = 1;
  limits.trim_in_place = (mode & 1) != 0;
  limits.date_time_format = (mode & 2) != 0 ? "dd/mm hh:nn:ss.zzz" : "dd/mm/yyyy hh:nn:ss.zzz";
  limits.max_age = (input.Byte() + 1) / 64.0;  // a quarter of an hour up to four days

  const std::string_view body = input.Rest();
  if (body.empty()) return 0;
  std::string original;
  while (original.size() <= static_cast<size_t>(kAgeScanBlock)) original += body;
  const std::string archive = LogPath() + "000";
  platform::DeleteFile(archive);
  WriteAll(LogPath(), original);

  {
    LogFile file = LogFile::Open(LogPath(), OpenMode::kOpenReadWrite);
    const std::optional<DateTime> due = AgeCheckDue(limits.max_age, file.Size(), 0, FixedNow);
    fuzz::Require(due.has_value(), "the check of a file above one block is not due");
    CheckAgeLimit(limits, std::move(file), *due);
  }

  if (limits.trim_in_place) {
    const std::string kept = ReadAll(LogPath());
    fuzz::Require(kept.size() <= original.size() &&
                      std::equal(kept.begin(), kept.end(), original.end() - kept.size()),
                  "the cut file is not a tail of the original");
    fuzz::Require(kept.size() == original.size() || original[original.size() - kept.size() - 1] == '\n',
                  "the cut does not begin a line");
    fuzz::Require(kept.size() >= UnscannedTail(original.size()),
                  "the cut removed bytes the scan never read");
  } else if (platform::FileExists(LogPath())) {
    fuzz::Require(ReadAll(LogPath()) == original, "a file not rotated has changed");
  } else {
    fuzz::Require(ReadAll(archive) == original, "the rotated file has changed");
  }
  fuzz::Require(platform::FindFiles(LogPath() + "_*").empty(), "a temporary copy is left");
  return 0;
}
