#include "eventlog/age_limit.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "eventlog/archives.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/log_levels.h"
#include "eventlog/size_limit.h"
#include "platform/files.h"

namespace zelmor::eventlog {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Whole milliseconds from `earlier` to `later`. Counted so, the 60-second
// gate falls at the same moment on every build: compared as day fractions,
// the 32-bit build's extended precision moved it by a rounding step.
int64_t MillisecondsBetween(DateTime earlier, DateTime later) {
  return std::llround((later - earlier) * kMillisecondsPerDay);
}

// The date-time a line's timestamp stands for, or false when the candidate
// is no timestamp. A time without a date is taken as that time today.
bool ParseStamp(std::string_view candidate, DateTime now, DateTime& value) {
  if (!TryStrToDateTime(candidate, value, LogFormatSettings())) return false;
  if (std::trunc(value) == 0) value += std::trunc(now);
  return true;
}

// Where the scan of the file's blocks ended up.
struct ScanResult {
  int64_t cut_at = -1;        // first byte to keep, -1 when no cut point
  bool any_expired = false;   // the oldest dated line is old enough to cut
  int64_t last_line_start = -1;  // start of the last line of the scanned part
  // Start of the first young line after the last expired one, -1 when none
  // was examined. A line exactly MaxAge old has expired, yet the young line
  // after it is no cut point (last + MaxAge is not earlier than now), so the
  // scan can end without one although young lines follow the expired ones.
  int64_t first_young = -1;
};

class AgeScan {
 public:
  AgeScan(const LogLimits& limits, DateTime now)
      : now_(now),
        max_age_(limits.max_age),
        stamp_length_(static_cast<int>(
            FormatDateTime(limits.date_time_format, now, LogFormatSettings()).size())) {}

  ScanResult Run(LogFile& file) {
    ScanResult result;
    std::vector<char> block(kAgeScanBlock);
    const int64_t size = file.Size();
    int64_t position = file.Seek(0, platform::SeekOrigin::kBegin);
    // The final part of the file (1 to kAgeScanBlock bytes) is never read.
    while (position + kAgeScanBlock < size) {
      file.ReadExact(block.data(), kAgeScanBlock);
      if (ScanBlock(std::string_view(block.data(), block.size()), position, result)) break;
      RememberLastLineStart(block, position, result);
      position += kAgeScanBlock;
    }
    return result;
  }

 private:
  // True when the scan is over: a cut point was found, or the file is too
  // young to cut.
  bool ScanBlock(std::string_view block, int64_t block_start, ScanResult& result) {
    const int limit = kAgeScanBlock - 1 - (2 * stamp_length_ + 5);
    for (int i = 0; i < limit;) {
      if (block[i] != '\n') {
        ++i;
        continue;
      }
      const int j = i + 1;
      std::string_view candidate;
      if (IsLevelChar(block[j]) && block[j + 1] == ' ') {
        candidate = block.substr(j + 2, stamp_length_);
        i += stamp_length_ + 2;
      } else {
        candidate = block.substr(j, stamp_length_);
        i += stamp_length_;
      }
      DateTime stamp;
      if (!ParseStamp(candidate, now_, stamp)) continue;
      const bool expired = stamp + max_age_ <= now_;
      if (expired)
        result.first_young = -1;
      else if (result.first_young < 0 && last_expired_)
        result.first_young = block_start + j;
      last_expired_ = expired;
      if (!first_seen_) {
        first_seen_ = true;
        if (stamp + max_age_ + max_age_ / 3 > now_) return true;
        last_ = stamp;
        result.any_expired = true;
      } else if (expired || last_ + max_age_ >= now_) {
        last_ = stamp;
      } else {
        result.cut_at = block_start + j;
        return true;
      }
    }
    return false;
  }

  static void RememberLastLineStart(const std::vector<char>& block, int64_t block_start,
                                    ScanResult& result) {
    for (int i = kAgeScanBlock - 1; i >= 0; --i) {
      if (block[i] == '\n') {
        result.last_line_start = block_start + i + 1;
        return;
      }
    }
  }

  DateTime now_;
  double max_age_;
  int stamp_length_;
  bool first_seen_ = false;
  bool last_expired_ = false;
  DateTime last_ = 0.0;
};

void CutAt(const LogLimits& limits, LogFile& file, int64_t first_kept_byte) {
  if (limits.trim_in_place) {
    file.Seek(first_kept_byte, platform::SeekOrigin::kBegin);
    CutHead(limits.file_name, file);
  } else {
    file.Close();
    RotateArchives(limits.file_name, limits.max_archives);
  }
}

}  // namespace

std::optional<DateTime> AgeCheckDue(double max_age, int64_t size, DateTime last_check,
                                    const std::function<DateTime()>& now) {
  if (max_age <= 0) return std::nullopt;
  if (size <= kAgeScanBlock) return std::nullopt;
  const DateTime moment = now();
  if (MillisecondsBetween(last_check, moment) <= kAgeCheckInterval * 1000) return std::nullopt;
  return moment;
}

void CheckAgeLimit(const LogLimits& limits, LogFile file, DateTime now) {
  const ScanResult result = AgeScan(limits, now).Run(file);
  if (result.cut_at >= 0) {
    CutAt(limits, file, result.cut_at);
  } else if (result.any_expired && result.first_young >= 0) {
    CutAt(limits, file, result.first_young);
  } else if (result.any_expired) {
    // Every dated line examined has expired. The unscanned final part holds
    // the newest lines (the one just written among them), so in place the
    // file keeps them from the last line that starts in the scanned part;
    // with no line start there, nothing is cut rather than cutting mid-line.
    if (!limits.trim_in_place || result.last_line_start > 0)
      CutAt(limits, file, result.last_line_start);
  }
}

}  // namespace zelmor::eventlog
