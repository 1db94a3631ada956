// The Windows directory, where the machine-wide settings file lives.
#pragma once

#include <string>

namespace zelmor {

// The Windows directory as the platform reports it, with one delimiter
// appended.
std::string GetWindowsDir();

}  // namespace zelmor
