// The size limit of a log file: past four thirds of MaxSize the head is cut
// off in place, or the file is rotated into archives.
#pragma once

#include "eventlog/log_file.h"

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::eventlog {

// Bytes stepped back at a time when looking for the line break before the
// cut point.
constexpr int kBackScanStep = 255;

// Called with the log file open and grown past MaxSize + MaxSize / 3. In
// archive mode closes `file` and rotates; in place keeps the newest MaxSize
// bytes plus the rest of the line the cut point falls in.
void CheckSizeLimit(TLDSLogger& logger, LogFile& file);

// Keeps the bytes from `file`'s position to its end as the whole file,
// through a temporary copy named "<file>_<pid>_<tid>". `file` stays open.
void CutHead(TLDSLogger& logger, LogFile& file);

}  // namespace zelmor::eventlog
