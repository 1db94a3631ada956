// The fixed formats TSafeIniFile writes and reads dates, times and numbers
// in, whatever the user's regional settings are.
#pragma once

#include "rtl/format_settings.h"

namespace zelmor {

// The locale's settings with dates "dd.mm.yyyy", times "hh:nn:ss.zzzz",
// separators '.' and ':' and the decimal point '.'.
const FormatSettings& IniFormatSettings();
// Frees them when the library unloads.
void ReleaseIniFormatSettings();

}  // namespace zelmor
