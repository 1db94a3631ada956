// The age limit of a log file's lines (MaxAge, in days).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "eventlog/log_file.h"
#include "eventlog/log_limits.h"
#include "rtl/datetime.h"

namespace zelmor::eventlog {

// Bytes read at a time by the age scan; smaller files are not checked.
constexpr int kAgeScanBlock = 32768;

// The gates of the age check, in their order: an age limit is set, the
// file (of `size` bytes) holds more than one block, and the logger's last check (`last_check`)
// lies more than kAgeCheckInterval before the time `now` tells (asked only
// when the first two gates pass). Returns the moment of a check that is due,
// to be recorded as the logger's last check whatever the check then meets;
// nothing when a gate stops it.
std::optional<DateTime> AgeCheckDue(double max_age, int64_t size, DateTime last_check,
                                    const std::function<DateTime()>& now);

// Runs a check that is due at `now`; takes the file, which is closed on
// every way out, failures included. Once the oldest dated line is older
// than four thirds of max_age, the head up to the first line younger than
// max_age is cut off in place, or the file is rotated.
void CheckAgeLimit(const LogLimits& limits, LogFile file, DateTime now);

}  // namespace zelmor::eventlog
