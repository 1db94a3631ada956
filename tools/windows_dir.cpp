#include "tools/windows_dir.h"

#include "platform/platform.h"

namespace zelmor {

std::string GetWindowsDir() {
  return platform::WindowsDirectory() + platform::kPathDelimiter;
}

}  // namespace zelmor
