// FormatDateTime: the platform's pattern language, written straight into
// one string (the log writer calls it for every line).
#include <cstring>

#include "rtl/datetime.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

bool StartsWithNoCase(std::string_view text, size_t pos, const char* word) {
  const size_t length = std::strlen(word);
  if (text.size() - pos < length) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

class DateTimeWriter {
 public:
  DateTimeWriter(DateTime value, const FormatSettings& settings, std::string& out)
      : settings_(settings), out_(out) {
    DecodeDate(value, year_, month_, day_);
    DecodeTime(value, hour_, minute_, second_, millisecond_);
    day_of_week_ = DayOfWeekOf(value);
  }

  // Settings' patterns may be nested once ("c", "ddddd", "t"); deeper ones
  // write nothing, so a pattern cannot recurse into itself.
  void Write(std::string_view pattern, int nesting, bool time_context) {
    if (nesting > 1) return;
    const bool clock12 = HasTwelveHourToken(pattern);
    char last_token = ' ';
    size_t pos = 0;
    while (pos < pattern.size()) {
      const char c = pattern[pos];
      const char token = Upper(c);
      if (c == '\'' || c == '"') {
        const size_t close = pattern.find(c, pos + 1);
        const size_t end = close == std::string_view::npos ? pattern.size() : close;
        out_.append(pattern.substr(pos + 1, end - pos - 1));
        pos = end + 1;
        continue;
      }
      if (token == 'A') {
        pos += WriteAmPm(pattern, pos);
        continue;
      }
      if (c == '/') {
        out_.push_back(settings_.date_separator);
        ++pos;
        continue;
      }
      if (c == ':') {
        out_.push_back(settings_.time_separator);
        ++pos;
        continue;
      }
      if (std::strchr(" CDHMNSTYZF", token) == nullptr || token == '\0') {
        out_.push_back(c);
        ++pos;
        continue;
      }
      size_t count = 1;
      while (pos + count < pattern.size() && Upper(pattern[pos + count]) == token) ++count;
      WriteToken(token, count, pattern.substr(pos, count), nesting, time_context, clock12,
                 last_token);
      last_token = token;
      pos += count;
    }
  }

 private:
  static int DayOfWeekOf(DateTime value) {
    const long long day = static_cast<long long>(value);
    const int result = static_cast<int>(1 + (day - 1) % 7);
    return result <= 0 ? result + 7 : result;
  }

  static bool HasTwelveHourToken(std::string_view pattern) {
    for (size_t pos = 0; pos < pattern.size(); ++pos) {
      const char c = pattern[pos];
      if (c == '\'' || c == '"') {
        const size_t close = pattern.find(c, pos + 1);
        if (close == std::string_view::npos) return false;
        pos = close;
      } else if (Upper(c) == 'A' &&
                 (StartsWithNoCase(pattern, pos, "A/P") || StartsWithNoCase(pattern, pos, "AMPM") ||
                  StartsWithNoCase(pattern, pos, "AM/PM"))) {
        return true;
      }
    }
    return false;
  }

  size_t WriteAmPm(std::string_view pattern, size_t pos) {
    const bool am = hour_ < 12;
    if (StartsWithNoCase(pattern, pos, "AMPM")) {
      out_.append(am ? settings_.time_am_string : settings_.time_pm_string);
      return 4;
    }
    if (StartsWithNoCase(pattern, pos, "AM/PM")) {
      out_.append(pattern.substr(am ? pos : pos + 3, 2));
      return 5;
    }
    if (StartsWithNoCase(pattern, pos, "A/P")) {
      out_.push_back(pattern[am ? pos : pos + 2]);
      return 3;
    }
    throw EConvertError("Illegal character in format string");
  }

  void Number(int value, int digits) {
    char buffer[12];
    int length = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
      buffer[length++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    for (int i = length; i < digits; ++i) out_.push_back('0');
    while (length > 0) out_.push_back(buffer[--length]);
  }

  void Name(const std::string* names, size_t size, int index) {
    if (index >= 1 && static_cast<size_t>(index) <= size) out_.append(names[index - 1]);
  }

  void WriteToken(char token, size_t count, std::string_view run, int nesting,
                  bool time_context, bool clock12, char last_token) {
    const int two = count == 1 ? 0 : 2;
    switch (token) {
      case ' ':
        out_.append(run);
        break;
      case 'Y':
        if (count > 2) {
          Number(year_, 4);
        } else {
          Number(year_ % 100, 2);
        }
        break;
      case 'M':
        // Right after an hour, or inside a time pattern, 'm' is the minute.
        if (last_token == 'H' || time_context) {
          Number(minute_, two);
        } else if (count <= 2) {
          Number(month_, two);
        } else if (count == 3) {
          Name(settings_.short_month_names.data(), 12, month_);
        } else {
          Name(settings_.long_month_names.data(), 12, month_);
        }
        break;
      case 'D':
        if (count <= 2) {
          Number(day_, two);
        } else if (count == 3) {
          Name(settings_.short_day_names.data(), 7, day_of_week_);
        } else if (count == 4) {
          Name(settings_.long_day_names.data(), 7, day_of_week_);
        } else {
          Write(count == 5 ? settings_.short_date_format : settings_.long_date_format,
                nesting + 1, false);
        }
        break;
      case 'H': {
        int hour = hour_;
        if (clock12) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        Number(hour, two);
        break;
      }
      case 'N':
        Number(minute_, two);
        break;
      case 'S':
        Number(second_, two);
        break;
      case 'Z':
        Number(millisecond_, count == 1 ? 0 : 3);
        break;
      case 'T':
        Write(count == 1 ? settings_.short_time_format : settings_.long_time_format,
              nesting + 1, true);
        break;
      case 'C':
        Write(settings_.short_date_format, nesting + 1, false);
        if (hour_ != 0 || minute_ != 0 || second_ != 0) {
          out_.push_back(' ');
          Write(settings_.long_time_format, nesting + 1, true);
        }
        break;
      case 'F':
        Write(settings_.short_date_format, nesting + 1, false);
        out_.push_back(' ');
        Write(settings_.long_time_format, nesting + 1, true);
        break;
    }
  }

  const FormatSettings& settings_;
  std::string& out_;
  int year_, month_, day_, hour_, minute_, second_, millisecond_, day_of_week_;
};

}  // namespace

std::string FormatDateTime(std::string_view pattern, DateTime value,
                           const FormatSettings& settings) {
  std::string result;
  result.reserve(pattern.size() + 8);
  DateTimeWriter(value, settings, result).Write(pattern.empty() ? "C" : pattern, 0, false);
  return result;
}

}  // namespace zelmor
