// Date-time values: a double counting days since 1899-12-30, the fraction
// being the time of day.
#pragma once

#include <string>
#include <string_view>

#include "rtl/format_settings.h"

namespace zelmor {

using DateTime = double;

constexpr double kMsPerDay = 86400000.0;

bool TryEncodeDate(int year, int month, int day, DateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result);
// Raise EConvertError on invalid components.
DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(DateTime value, int& year, int& month, int& day);
void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond);

// The current local date and time, to the millisecond.
DateTime Now();
// The current local date, no time part.
DateTime Date();

// Formats with a pattern: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss
// z zzz am/pm, "/" (date separator), ":" (time separator), quoted literals;
// "c" and "ddddd"/"t"/"tt" use the settings' patterns. Other characters are
// copied.
std::string FormatDateTime(std::string_view pattern, DateTime value,
                           const FormatSettings& settings);

// Parses text written with the settings: a date in the order of the short
// date pattern with its separator, optionally followed by a blank and a time
// (h:n[:s[.z]]), or a time alone. A date without a year falls in the current
// year; a time without a date has day count 0. False when it does not parse.
bool TryStrToDateTime(std::string_view text, DateTime& result,
                      const FormatSettings& settings);
bool TryStrToDate(std::string_view text, DateTime& result, const FormatSettings& settings);
bool TryStrToTime(std::string_view text, DateTime& result, const FormatSettings& settings);

// Decimal text of a floating-point number, general form with up to 15
// significant digits (the platform's FloatToStr), and back.
std::string FloatToStr(double value, const FormatSettings& settings);
bool TryStrToFloat(std::string_view text, double& result, const FormatSettings& settings);

}  // namespace zelmor
