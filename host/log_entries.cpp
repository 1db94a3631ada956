#include "host/log_entries.h"

namespace zelmor::host {

void LogEntries::Take(const std::string& line, bool stamped) {
  if (!stamped) {
    if (open_) open_->append("\n").append(line);
    return;
  }
  Flush();
  open_ = line;
}

void LogEntries::Flush() {
  if (!open_) return;
  const std::string entry = std::move(*open_);
  open_.reset();
  emit_(entry);
}

}  // namespace zelmor::host
