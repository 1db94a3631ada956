#include "eventlog/log_line.h"

#include "eventlog/log_levels.h"
#include "rtl/text.h"

namespace zelmor::eventlog {

namespace {

// Ids print as the signed 32-bit numbers the OS hands out.
std::string IdText(uint32_t id) { return std::to_string(static_cast<int32_t>(id)); }

}  // namespace

std::string FormatLogLine(std::string_view timestamp, std::string_view trimmed_text,
                          uint8_t level, const LineLayout& layout) {
  std::string line;
  line.reserve(timestamp.size() + layout.prefix.size() + trimmed_text.size() + 48);
  if (layout.show_level_char) {
    line += kLevelChars[level];
    line += ' ';
  }
  line += timestamp;
  if (layout.show_level_tag) line += kLevelTags[level];
  if (!layout.prefix.empty()) {
    line += ' ';
    line += layout.prefix;
  }
  if (layout.show_process_id && layout.show_thread_id) {
    line += " <P:" + IdText(layout.process_id) + ";T:" + IdText(layout.thread_id) + ">";
  } else if (layout.show_process_id) {
    line += " <P:" + IdText(layout.process_id) + ">";
  } else if (layout.show_thread_id) {
    line += " <T:" + IdText(layout.thread_id) + ">";
  }
  line += ' ';
  line += trimmed_text;
  return line;
}

std::string MutexNameOf(std::string_view file_name) {
  return ReplaceReservedNameChars(AnsiLowerCase(file_name));
}

}  // namespace zelmor::eventlog
