#include "settings/ini_format_settings.h"

#include "rtl/process_object.h"

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

struct IniSettings {
  FormatSettings settings = MakeIniFormatSettings();
};
ProcessObject<IniSettings> g_ini_settings;

}  // namespace

const FormatSettings& IniFormatSettings() { return g_ini_settings.Get().settings; }

void ReleaseIniFormatSettings() { g_ini_settings.Release(); }

}  // namespace zelmor
