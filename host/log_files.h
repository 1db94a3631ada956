// The event log and its numbered archives on disk.
#pragma once

#include <string>
#include <vector>

namespace zelmor::host {

// The archives of `log_path` ("<log>000" the newest, higher numbers older)
// and the log itself, oldest first: the order their lines were written in.
// Files that do not exist are left out.
std::vector<std::string> LogAndArchives(const std::string& log_path);

}  // namespace zelmor::host
