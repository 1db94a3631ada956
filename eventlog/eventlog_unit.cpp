#include "eventlog/eventlog_unit.h"

#include "eventlog/ldslogger.h"
#include "eventlog/log_levels.h"
#include "platform/process.h"
#include "rtl/global_mutex.h"
#include "rtl/process_object.h"

namespace zelmor::eventlog {

TLDSLogger* ErrorsWriter = nullptr;

namespace {

ProcessObject<FormatSettings> g_log_format_settings;

}  // namespace

namespace {

void FillLogFormatSettings() {
  FormatSettings& settings = LogFormatSettings();
  settings = DefaultFormatSettings();
  settings.short_date_format = "dd/mm/yyyy";
  settings.long_date_format = "dd/mm/yyyy";
  settings.short_time_format = "hh:nn:ss.zzz";
  settings.long_time_format = "hh:nn:ss.zzz";
  settings.date_separator = '.';
  settings.time_separator = ':';
  settings.decimal_separator = '.';
}

// A logger or settings file left without its machine-wide mutex says so in
// the fallback log. The fallback logger's own mutex is made before it
// exists and so goes untold.
void ReportUnguarded(const std::string& text) {
  if (ErrorsWriter) ErrorsWriter->WriteLine(text);
}

}  // namespace

FormatSettings& LogFormatSettings() { return g_log_format_settings.Get(); }

void InitializeUnit() {
  ErrorsWriter = new TLDSLogger(platform::TempPath() + "LDSLoggerErrorsWriter.log",
                                TLDSLogger::Role::kFallback);
  ErrorsWriter->Options.TrimInPlace = true;
  FillLogFormatSettings();
  SetUnguardedReporter(ReportUnguarded);
}

void FinalizeUnit() {
  SetUnguardedReporter(nullptr);
  delete ErrorsWriter;
  ErrorsWriter = nullptr;
  g_log_format_settings.Release();
}

}  // namespace zelmor::eventlog
