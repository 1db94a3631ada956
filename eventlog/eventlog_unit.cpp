#include "eventlog/eventlog_unit.h"

#include "eventlog/ldslogger.h"
#include "eventlog/log_levels.h"
#include "platform/platform.h"

namespace zelmor::eventlog {

std::array<std::string, kLevelCount> LevelTags;
FormatSettings LogFormatSettings;
TLDSLogger* ErrorsWriter = nullptr;

namespace {

void FillLevelTags() {
  LevelTags = {"",         " [инф]",   " [ошиб]",  " [сбой]",
               " [вним]",  " [событ]", " [отлад]", " [другое]"};
}

void FillLogFormatSettings() {
  LogFormatSettings = DefaultFormatSettings();
  LogFormatSettings.short_date_format = "dd/mm/yyyy";
  LogFormatSettings.long_date_format = "dd/mm/yyyy";
  LogFormatSettings.short_time_format = "hh:nn:ss.zzz";
  LogFormatSettings.long_time_format = "hh:nn:ss.zzz";
  LogFormatSettings.date_separator = '.';
  LogFormatSettings.time_separator = ':';
  LogFormatSettings.decimal_separator = '.';
}

}  // namespace

const FormatSettings& TimestampSettings() {
  return UseLocaleFormat ? DefaultFormatSettings() : LogFormatSettings;
}

void InitializeUnit() {
  FillLevelTags();
  ErrorsWriter = new TLDSLogger(platform::TempPath() + "LDSLoggerErrorsWriter.log");
  ErrorsWriter->TrimInPlace = true;
  ErrorsWriter->IsErrorsWriter = true;
  FillLogFormatSettings();
}

void FinalizeUnit() {
  delete ErrorsWriter;
  ErrorsWriter = nullptr;
  for (std::string& tag : LevelTags) tag.clear();
}

}  // namespace zelmor::eventlog
