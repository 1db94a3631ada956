#include "components/ib_datetime.h"

#include <cmath>

namespace zelmor {

namespace {

// ISC_DATE counts days from 1858-11-17 (the modified Julian day), which is
// day -15018 of the suite's date-time.
constexpr ISC_DATE kDayOfDateTimeZero = 15018;
constexpr double kTimeUnitsPerDay = 86400.0 * ISC_TIME_SECONDS_PRECISION;

// Dates before 1899-12-30 are negative with the time as a positive
// fraction of the day (-1.25 is 1899-12-29 06:00).
DateTime Combine(long days, double fraction) {
  return days >= 0 ? days + fraction : days - fraction;
}

}  // namespace

DateTime IBDateToDateTime(ISC_DATE date) { return static_cast<double>(date - kDayOfDateTimeZero); }

DateTime IBTimeToDateTime(ISC_TIME time) { return time / kTimeUnitsPerDay; }

DateTime IBTimestampToDateTime(const ISC_TIMESTAMP& stamp) {
  return Combine(stamp.timestamp_date - kDayOfDateTimeZero, IBTimeToDateTime(stamp.timestamp_time));
}

ISC_TIMESTAMP DateTimeToIBTimestamp(DateTime value) {
  long days = static_cast<long>(std::trunc(value));
  double units = std::round(std::fabs(value - days) * kTimeUnitsPerDay);
  // The fraction is the time of day on `days` on both sides of day zero, so
  // a time that rounds up to midnight is the start of the day after, also
  // before 1899-12-30 (-1.99999999999 is 1899-12-30 00:00, day 0).
  if (units >= kTimeUnitsPerDay) {
    units -= kTimeUnitsPerDay;
    ++days;
  }
  ISC_TIMESTAMP stamp;
  stamp.timestamp_date = static_cast<ISC_DATE>(days + kDayOfDateTimeZero);
  stamp.timestamp_time = static_cast<ISC_TIME>(units);
  return stamp;
}

}  // namespace zelmor
