// The text of one log line and the name of a log file's machine-wide mutex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmor::eventlog {

struct LineLayout {
  bool show_level_char = false;
  bool show_level_tag = true;
  bool show_process_id = false;
  bool show_thread_id = false;
  std::string_view prefix;
  uint32_t process_id = 0;
  uint32_t thread_id = 0;
};

// "[char ]timestamp[ tag][ prefix][ markers] text", without CR LF, for a
// text already trimmed and not empty. `level` must be 0-7.
std::string FormatLogLine(std::string_view timestamp, std::string_view trimmed_text,
                          uint8_t level, const LineLayout& layout);

// The lower-cased path with the characters a mutex name may not carry
// replaced by "_".
std::string MutexNameOf(std::string_view file_name);

}  // namespace zelmor::eventlog
