// The age limit of a log file's lines (MaxAge, in days).
#pragma once

#include "eventlog/log_file.h"

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::eventlog {

// Bytes read at a time by the age scan; smaller files are not checked.
constexpr int kAgeScanBlock = 32768;

// Called after every write that did not trigger the size check. Acts only
// when MaxAge > 0, the file holds more than one block and the last check of
// this logger is more than AgeCheckInterval ago; then it always closes
// `file` and records the check. Once the oldest dated line is older than
// four thirds of MaxAge, the head up to the first line younger than MaxAge
// is cut off in place, or the file is rotated.
void CheckAgeLimit(TLDSLogger& logger, LogFile& file);

}  // namespace zelmor::eventlog
