// The date-time parser with the settings the log and the INI file read
// dates with. The first byte picks the settings and the parse; a text that
// parses gives a finite value within the years 1 to 9999.
#include <cmath>

#include "eventlog/eventlog_unit.h"
#include "fuzz_support.h"
#include "rtl/datetime.h"
#include "settings/ini_format_settings.h"

using namespace zelmor;

namespace {

const FormatSettings& LogSettings() {
  static const bool initialized = [] {
    eventlog::InitializeUnit();
    return true;
  }();
  (void)initialized;
  return eventlog::LogFormatSettings();
}

// Bounds of 0001-01-01 00:00 (negative values carry the time as a
// fraction below the day) and of 9999-12-31 24:00.
constexpr double kFirstDay = -693594.0;
constexpr double kDayAfterLast = 2958466.0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t choice = input.Byte();
  const std::string_view text = input.Rest();
  const FormatSettings& settings = (choice & 1) != 0 ? IniFormatSettings() : LogSettings();
  DateTime value = 0;
  bool parsed = false;
  switch ((choice >> 1) % 3) {
    case 0: parsed = TryStrToDateTime(text, value, settings); break;
    case 1: parsed = TryStrToDate(text, value, settings); break;
    default: parsed = TryStrToTime(text, value, settings); break;
  }
  if (parsed) {
    fuzz::Require(std::isfinite(value), "a parsed date-time is not finite");
    fuzz::Require(value > kFirstDay && value < kDayAfterLast,
                  "a parsed date-time lies outside the years 1 to 9999");
  }
  return 0;
}
