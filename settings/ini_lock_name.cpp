#include "settings/ini_lock_name.h"

#include "rtl/text.h"

namespace zelmor {

std::string BuildLockName(std::string_view file_name) {
  const std::string lowered = "ini file lock mutex" + AnsiLowerCase(file_name);
  std::string name;
  name.reserve(lowered.size());
  for (const char c : lowered) {
    if (c == '\\' && !name.empty() && name.back() == '\\') continue;
    name += c;
  }
  return ReplaceReservedNameChars(std::move(name));
}

}  // namespace zelmor
