// Format settings: the separators, patterns and names dates and numbers are
// written and read with, as a record passed explicitly.
#pragma once

#include <array>
#include <string>

namespace zelmor {

struct FormatSettings {
  char decimal_separator = '.';
  // '\0' writes numbers without grouping.
  char thousand_separator = ',';
  char date_separator = '.';
  char time_separator = ':';
  std::string short_date_format = "dd.mm.yyyy";
  std::string long_date_format = "dd.mm.yyyy";
  std::string short_time_format = "hh:nn";
  std::string long_time_format = "hh:nn:ss";
  std::string time_am_string = "AM";
  std::string time_pm_string = "PM";
  // Index 0 is January / Sunday.
  std::array<std::string, 12> short_month_names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> long_month_names{
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  std::array<std::string, 7> short_day_names{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> long_day_names{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
  // Money (%m): 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"; negatives use the
  // platform's sixteen layouts (5 is "-1$").
  std::string currency_string = "$";
  int currency_format = 1;
  int negative_currency_format = 5;
  int currency_decimals = 2;
  // A two-digit year read back falls within this many years before the
  // current year and 100 - this many after it.
  int two_digit_year_century_window = 50;
};

// The process's current settings, taken from the user's locale at first use.
// Tests and hosts may change them (as the platform's global settings can be).
FormatSettings& DefaultFormatSettings();

}  // namespace zelmor
