#include "tools/windows_dir.h"

#include "platform/files.h"
#include "platform/process.h"

namespace zelmor {

std::string GetWindowsDir() {
  return platform::WindowsDirectory() + platform::kPathDelimiter;
}

}  // namespace zelmor
