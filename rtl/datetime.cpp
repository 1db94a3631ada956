#include "rtl/datetime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/clock.h"
#include "rtl/exceptions.h"
#include "rtl/format.h"

namespace zelmor {
namespace {

// Day number of 0001-01-01 is -kDateDelta + 1.
constexpr int64_t kDateDelta = 693594;
constexpr double kMaxDateTime = 2958465.99999999;

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, DateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return false;
  }
  if (month > 2) {
    month -= 3;
  } else {
    month += 9;
    --year;
  }
  const int64_t century = year / 100;
  const int64_t year_of_century = year - 100 * century;
  result = static_cast<double>((146097 * century) / 4 + (1461 * year_of_century) / 4 +
                               (153 * month + 2) / 5 + day - 693900);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      millisecond < 0 || millisecond >= 1000) {
    return false;
  }
  result = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / kMsPerDay;
  return true;
}

DateTime EncodeDate(int year, int month, int day) {
  DateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) {
    throw EConvertError(Format("%d-%d-%d is not a valid date", {year, month, day}));
  }
  return result;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  DateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
    throw EConvertError(Format("%d:%d:%d.%d is not a valid time",
                               {hour, minute, second, millisecond}));
  }
  return result;
}

void DecodeDate(DateTime value, int& year, int& month, int& day) {
  if (!(value > -static_cast<double>(kDateDelta))) {
    year = month = day = 0;
    return;
  }
  // Half a millisecond either way, so that the date agrees with the time
  // DecodeTime rounds to.
  value += value > 0 ? 0.5 / kMsPerDay : -0.5 / kMsPerDay;
  if (value > kMaxDateTime) value = kMaxDateTime;
  int64_t j = ((static_cast<int64_t>(std::trunc(value)) + 693900) << 2) - 1;
  int64_t y = j / 146097;
  j -= 146097 * y;
  int64_t d = j >> 2;
  j = ((d << 2) + 3) / 1461;
  d = ((d << 2) + 7 - 1461 * j) >> 2;
  int64_t m = (5 * d - 3) / 153;
  d = (5 * d + 2 - 153 * m) / 5;
  y = 100 * y + j;
  if (m < 10) {
    m += 3;
  } else {
    m -= 9;
    ++y;
  }
  year = static_cast<int>(y);
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond) {
  // The time of day is the fraction's absolute value, also before 1899.
  double ms = value * kMsPerDay;
  ms += ms < 0 ? -0.5 : 0.5;
  int64_t rest = std::llabs(static_cast<int64_t>(ms)) % static_cast<int64_t>(kMsPerDay);
  hour = static_cast<int>(rest / 3600000);
  rest %= 3600000;
  minute = static_cast<int>(rest / 60000);
  rest %= 60000;
  second = static_cast<int>(rest / 1000);
  millisecond = static_cast<int>(rest % 1000);
}

DateTime Now() {
  const platform::LocalTime t = platform::CurrentLocalTime();
  DateTime date = 0;
  DateTime time = 0;
  TryEncodeDate(t.year, t.month, t.day, date);
  TryEncodeTime(t.hour, t.minute, t.second, t.millisecond, time);
  return date + time;
}

DateTime Date() {
  const platform::LocalTime t = platform::CurrentLocalTime();
  DateTime date = 0;
  TryEncodeDate(t.year, t.month, t.day, date);
  return date;
}

}  // namespace zelmor
