// Reading dates and times back with explicit settings, by the platform's
// rules (TryStrToDate / TryStrToTime / TryStrToDateTime).
#include <cmath>

#include "platform/clock.h"
#include "rtl/datetime.h"
#include "rtl/text.h"

namespace zelmor {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Positions (1-3) of day, month and year in the pattern; 0 when absent.
struct DateOrder {
  int day = 0, month = 0, year = 0, count = 0;
};

DateOrder OrderOf(std::string_view pattern) {
  DateOrder order;
  for (size_t i = 0; i < pattern.size() && order.count < 3; ++i) {
    int* slot = nullptr;
    switch (pattern[i]) {
      case 'd': case 'D': slot = &order.day; break;
      case 'm': case 'M': slot = &order.month; break;
      case 'y': case 'Y': slot = &order.year; break;
    }
    if (slot != nullptr && *slot == 0) *slot = ++order.count;
  }
  return order;
}

// Up to three numbers between date separators, blanks ignored.
bool SplitDateNumbers(std::string_view text, char separator, const DateOrder& order,
                      int (&values)[4], int& count, bool& long_year) {
  count = 0;
  long_year = false;
  long digits_value = 0;
  int digits = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (digits_value <= 65535) digits_value = digits_value * 10 + (c - '0');
      ++digits;
    }
    if (separator != ' ' && c == ' ') continue;
    if (c == separator || (i + 1 == text.size() && IsDigit(c))) {
      if (++count > 3 || digits == 0 || digits_value > 65535) return false;
      if (count == order.year && digits > 2) long_year = true;
      values[count] = static_cast<int>(digits_value);
      digits_value = 0;
      digits = 0;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  return !(order.count < 3 && count > order.count);
}

enum class AmPm { kNone, kAm, kPm };

// Hours, minutes, seconds and milliseconds of a time text.
bool SplitTime(std::string_view s, const FormatSettings& settings, int (&values)[4], AmPm& am_pm) {
  const char separator = settings.time_separator;
  const char decimal = settings.decimal_separator;
  const size_t length = s.size();
  size_t cur = 0;
  while (cur < length && s[cur] == ' ') ++cur;
  if (cur >= length || s[cur] == separator || s[cur] == decimal) return false;
  bool digit_pending = IsDigit(s[cur]);
  bool ms_pending = false;
  int index = 0;
  am_pm = AmPm::kNone;
  for (; cur < length; ++cur) {
    const char c = s[cur];
    if (IsDigit(c)) {
      if (!digit_pending || index > 3) return false;
      size_t first = cur;
      while (first < length && s[first] == '0') ++first;
      while (cur + 1 < length && IsDigit(s[cur + 1])) ++cur;
      if (first > cur) first = cur;  // all zeros
      const size_t significant = cur - first + 1;
      if (significant > 2 && !(significant == 3 && index == 3)) return false;
      int value = 0;
      for (size_t k = first; k <= cur; ++k) value = value * 10 + (s[k] - '0');
      values[index++] = value;
      digit_pending = false;
    } else if (c == ' ') {
      continue;
    } else if (c == separator) {
      if (digit_pending || index > 2) return false;
      digit_pending = true;
      ms_pending = false;
    } else if (c == decimal) {
      if (digit_pending || ms_pending || index != 3) return false;
      digit_pending = true;
      ms_pending = true;
    } else {
      if (am_pm != AmPm::kNone || digit_pending) return false;
      const size_t start = cur;
      while (cur + 1 < length && s[cur + 1] != separator && s[cur + 1] != ' ' &&
             s[cur + 1] != decimal && !IsDigit(s[cur + 1])) {
        ++cur;
      }
      const std::string_view word = s.substr(start, cur - start + 1);
      if (AnsiSameText(word, settings.time_am_string) || AnsiSameText(word, "AM")) {
        am_pm = AmPm::kAm;
      } else if (AnsiSameText(word, settings.time_pm_string) || AnsiSameText(word, "PM")) {
        am_pm = AmPm::kPm;
      } else {
        return false;
      }
      // Before the hour a number must follow; after it nothing more may.
      if (index == 0) {
        digit_pending = true;
      } else {
        index = 4;
        digit_pending = false;
      }
    }
  }
  if (index == 0 || digit_pending) return false;
  return am_pm == AmPm::kNone || (values[0] >= 1 && values[0] <= 12);
}

DateTime Compose(DateTime date, DateTime time) {
  const double fraction = std::fabs(time - std::trunc(time));
  return date < 0 ? std::trunc(date) - fraction : std::trunc(date) + fraction;
}

}  // namespace

bool TryStrToDate(std::string_view text, DateTime& result, const FormatSettings& settings) {
  while (!text.empty() && std::string_view(" \b\t\n\f\r").find(text.back()) != std::string_view::npos) {
    text.remove_suffix(1);
  }
  if (text.empty()) return false;
  const DateOrder order = OrderOf(settings.short_date_format);
  int values[4] = {0, 0, 0, 0};
  int count = 0;
  bool long_year = false;
  if (!SplitDateNumbers(text, settings.date_separator, order, values, count, long_year)) {
    return false;
  }
  const platform::LocalTime now = platform::CurrentLocalTime();
  int year = now.year;
  int month = now.month;
  int day = values[1];
  if (count == 3) {
    year = values[order.year];
    month = values[order.month];
    day = values[order.day];
  } else if (count == 2) {
    const bool day_first = order.day < order.month;
    day = day_first ? values[1] : values[2];
    month = day_first ? values[2] : values[1];
  }
  if (year < 100 && !long_year) {
    const int window_start = now.year - settings.two_digit_year_century_window;
    year += window_start / 100 * 100;
    if (settings.two_digit_year_century_window > 0 && year < window_start) year += 100;
  }
  return TryEncodeDate(year, month, day, result);
}

bool TryStrToTime(std::string_view text, DateTime& result, const FormatSettings& settings) {
  int values[4] = {0, 0, 0, 0};
  AmPm am_pm = AmPm::kNone;
  if (!SplitTime(text, settings, values, am_pm)) return false;
  if (am_pm == AmPm::kPm && values[0] != 12) values[0] += 12;
  if (am_pm == AmPm::kAm && values[0] == 12) values[0] = 0;
  return TryEncodeTime(values[0], values[1], values[2], values[3], result);
}

bool TryStrToDateTime(std::string_view text, DateTime& result, const FormatSettings& settings) {
  const size_t time_separator = text.find(settings.time_separator);
  if (time_separator == std::string_view::npos) return TryStrToDate(text, result, settings);
  // The time begins after the last blank before its first separator.
  const size_t blank = text.rfind(' ', time_separator);
  if (blank == std::string_view::npos) return TryStrToTime(text, result, settings);
  DateTime date = 0;
  DateTime time = 0;
  if (!TryStrToDate(text.substr(0, blank), date, settings) ||
      !TryStrToTime(text.substr(blank + 1), time, settings)) {
    return false;
  }
  result = Compose(date, time);
  return true;
}

}  // namespace zelmor
