#include "settings/ini_format_settings.h"

namespace zelmor {

namespace {

const char kDateFormat[] = "dd.mm.yyyy";
const char kTimeFormat[] = "hh:nn:ss.zzzz";
const char kDateSeparator[] = ".";
const char kTimeSeparator[] = ":";
const char kDecimalSeparator[] = ".";

FormatSettings MakeIniFormatSettings() {
  FormatSettings settings = DefaultFormatSettings();
  settings.short_date_format = settings.long_date_format = kDateFormat;
  settings.short_time_format = settings.long_time_format = kTimeFormat;
  settings.date_separator = kDateSeparator[0];
  settings.time_separator = kTimeSeparator[0];
  settings.decimal_separator = kDecimalSeparator[0];
  return settings;
}

}  // namespace

const FormatSettings& IniFormatSettings() {
  static const FormatSettings* settings = new FormatSettings(MakeIniFormatSettings());
  return *settings;
}

}  // namespace zelmor
