// The name of the machine-wide mutex that guards one INI file.
#pragma once

#include <string>
#include <string_view>

namespace zelmor {

// "ini file lock mutex" + the lower-cased path, doubled backslashes made
// single, and each of  " * / : < > ? \ |  replaced by '_'. Spellings of a
// path that differ in letter case or doubled backslashes share one name.
std::string BuildLockName(std::string_view file_name);

}  // namespace zelmor
