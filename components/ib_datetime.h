// Firebird's date and time values and the date-time doubles of the suite
// (days since 1899-12-30, the fraction being the time of day).
#pragma once

#include <ibase.h>

#include "rtl/datetime.h"

namespace zelmor {

DateTime IBDateToDateTime(ISC_DATE date);
DateTime IBTimeToDateTime(ISC_TIME time);
DateTime IBTimestampToDateTime(const ISC_TIMESTAMP& stamp);
// Rounded to Firebird's 1/10000 s; a time that rounds up to midnight moves
// to the next day.
ISC_TIMESTAMP DateTimeToIBTimestamp(DateTime value);

}  // namespace zelmor
