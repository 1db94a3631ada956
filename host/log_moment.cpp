#include "host/log_moment.h"

namespace zelmor::host {
namespace {

// Reads the text from left to right.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  bool AtEnd() const { return at_ == text_.size(); }
  bool Take(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  // Between `min` and `max` digits.
  bool Number(size_t min, size_t max, int& value, size_t* digits = nullptr) {
    size_t n = 0;
    value = 0;
    while (n < max && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      value = value * 10 + (text_[at_++] - '0');
      ++n;
    }
    if (digits) *digits = n;
    return n >= min;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

struct Parts {
  int year = 0;  // 0: not given
  int month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// hh:nn[:ss[.zzz]], the fraction of a second taken as written (".5" is 500 ms).
bool TakeTime(Cursor& in, Parts& parts) {
  if (!in.Number(1, 2, parts.hour) || !in.Take(':') || !in.Number(2, 2, parts.minute))
    return false;
  if (!in.Take(':')) return true;
  if (!in.Number(2, 2, parts.second)) return false;
  if (!in.Take('.')) return true;
  size_t digits = 0;
  if (!in.Number(1, 3, parts.millisecond, &digits)) return false;
  for (; digits < 3; ++digits) parts.millisecond *= 10;
  return true;
}

// Each form starts from empty parts.
// yyyy-mm-dd[( |T)time]
bool TakeIsoForm(Cursor in, Parts& parts) {
  parts = {};
  if (!in.Number(4, 4, parts.year) || !in.Take('-') || !in.Number(1, 2, parts.month) ||
      !in.Take('-') || !in.Number(1, 2, parts.day))
    return false;
  if (in.AtEnd()) return true;
  return (in.Take(' ') || in.Take('T')) && TakeTime(in, parts) && in.AtEnd();
}

// dd.mm[.yyyy][ time]
bool TakeLogForm(Cursor in, Parts& parts) {
  parts = {};
  if (!in.Number(1, 2, parts.day) || !in.Take('.') || !in.Number(1, 2, parts.month))
    return false;
  if (in.Take('.') && !in.Number(4, 4, parts.year)) return false;
  if (in.AtEnd()) return true;
  return in.Take(' ') && TakeTime(in, parts) && in.AtEnd();
}

bool TakeTimeForm(Cursor in, Parts& parts, const Today& today) {
  parts = {};
  if (!TakeTime(in, parts) || !in.AtEnd()) return false;
  parts.year = today.year;
  parts.month = today.month;
  parts.day = today.day;
  return true;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A year left out may be a leap year: 29.02 stands.
int DaysIn(int month, int year) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && (year == 0 || IsLeap(year))) return 29;
  return kDays[month - 1];
}

bool IsRealDate(const Parts& parts) {
  return parts.month >= 1 && parts.month <= 12 && parts.day >= 1 &&
         parts.day <= DaysIn(parts.month, parts.year) && parts.hour <= 23 &&
         parts.minute <= 59 && parts.second <= 59;
}

int YearFor(int month, int day, const Today& today) {
  const bool after_today = month > today.month || (month == today.month && day > today.day);
  return after_today ? today.year - 1 : today.year;
}

}  // namespace

Moment MakeMoment(int year, int month, int day, int hour, int minute, int second,
                  int millisecond) {
  int64_t key = year;
  for (const int part : {month, day, hour, minute, second}) key = key * 100 + part;
  return Moment{key * 1000 + millisecond};
}

Moment MomentOfStamp(const LogStamp& stamp, const Today& today) {
  const int year = stamp.year ? stamp.year : YearFor(stamp.month, stamp.day, today);
  return MakeMoment(year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second,
                    stamp.millisecond);
}

std::optional<Moment> ParseMoment(std::string_view text, const Today& today, std::string& error) {
  Parts parts;
  if (!TakeTimeForm(Cursor(text), parts, today) && !TakeIsoForm(Cursor(text), parts) &&
      !TakeLogForm(Cursor(text), parts)) {
    error = "'" + std::string(text) +
            "' is no moment: write dd.mm[.yyyy] [hh:nn[:ss]], yyyy-mm-dd[Thh:nn[:ss]] or hh:nn";
    return std::nullopt;
  }
  if (!IsRealDate(parts)) {
    error = "'" + std::string(text) + "' names no real date and time";
    return std::nullopt;
  }
  if (parts.year == 0) parts.year = YearFor(parts.month, parts.day, today);
  return MakeMoment(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second,
                    parts.millisecond);
}

}  // namespace zelmor::host
