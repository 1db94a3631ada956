// The size limit of a log file: past four thirds of MaxSize the head is cut
// off in place, or the file is rotated into archives.
#pragma once

#include <string_view>

#include "eventlog/log_file.h"
#include "eventlog/log_limits.h"

namespace zelmor::eventlog {

// Bytes stepped back at a time when looking for the line break before the
// cut point.
constexpr int kBackScanStep = 255;

// Called with the log file open and grown past max_size + max_size / 3;
// takes the file, which is closed when the check returns. In archive mode
// the file is closed first and rotated; in place the newest max_size bytes
// are kept, plus the rest of the line the cut point falls in.
void CheckSizeLimit(const LogLimits& limits, LogFile file);

// Keeps the bytes from `file`'s position to its end as the whole file,
// through a temporary copy named "<file>_<pid>_<tid>". `file` stays open.
void CutHead(std::string_view file_name, LogFile& file);

}  // namespace zelmor::eventlog
