// Format settings: the separators and patterns dates and numbers are written
// and read with, as a record passed explicitly.
#pragma once

#include <string>

namespace zelmor {

struct FormatSettings {
  char decimal_separator = '.';
  char thousand_separator = ',';
  char date_separator = '.';
  char time_separator = ':';
  std::string short_date_format = "dd.mm.yyyy";
  std::string long_date_format = "dd.mm.yyyy";
  std::string short_time_format = "hh:nn";
  std::string long_time_format = "hh:nn:ss";
};

// The process's current settings, taken from the user's locale at first use.
// Tests and hosts may change them (as the platform's global settings can be).
FormatSettings& DefaultFormatSettings();

}  // namespace zelmor
