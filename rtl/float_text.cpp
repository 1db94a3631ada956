#include "rtl/float_text.h"

#include "rtl/datetime.h"
#include "rtl/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace zelmor {
namespace {

// Digits printed beyond the rounding position; enough to tell a rounding
// decision apart except for near-ties, which are settled on exact digits.
constexpr int kGuardDigits = 20;
// A double's exact decimal expansion never has more significant digits.
constexpr int kExactDigits = 780;

// Significant digits of a non-negative value: digits[0] stands at
// 10^exponent.
struct DecimalDigits {
  std::string digits;
  int exponent = 0;
};

DecimalDigits PrintDigits(double magnitude, int count) {
  char buffer[kExactDigits + 32];
  const auto printed = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                     std::chars_format::scientific, count - 1);
  DecimalDigits result;
  result.digits.reserve(count);
  const char* p = buffer;
  for (; p != printed.ptr && *p != 'e'; ++p) {
    if (*p != '.') result.digits.push_back(*p);
  }
  const char* exponent = p + 1;
  if (*exponent == '+') ++exponent;
  std::from_chars(exponent, printed.ptr, result.exponent);
  return result;
}

// True when the printed tail could hide an exact tie: "5000…" or "4999…".
bool NearTie(const std::string& tail) {
  if (tail.empty()) return false;
  const char rest = tail[0] == '5' ? '0' : tail[0] == '4' ? '9' : 0;
  return rest && std::all_of(tail.begin() + 1, tail.end(), [rest](char c) { return c == rest; });
}

// The first `keep` digits (keep >= 0), rounded half away from zero. A carry
// out of the first digit yields keep + 1 digits and a higher exponent.
DecimalDigits RoundToDigits(double magnitude, int keep) {
  DecimalDigits d = PrintDigits(magnitude, keep + kGuardDigits);
  if (NearTie(d.digits.substr(keep))) d = PrintDigits(magnitude, kExactDigits);
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    }
  }
  return d;
}

DecimalDigits SignificantDigits(double magnitude, int count) {
  DecimalDigits d = RoundToDigits(magnitude, count);
  d.digits.resize(count);
  return d;
}

struct FixedDigits {
  std::string integer;
  std::string fraction;
};

FixedDigits ToFixed(double magnitude, int decimals) {
  const int exponent = PrintDigits(magnitude, kGuardDigits).exponent;
  const int keep = exponent + 1 + decimals;
  if (keep < 0) return {"0", std::string(decimals, '0')};
  const DecimalDigits d = RoundToDigits(magnitude, keep);
  const int integer_count = d.exponent + 1;
  if (integer_count <= 0) {
    return {"0", std::string(-integer_count, '0') + d.digits};
  }
  return {d.digits.substr(0, integer_count), d.digits.substr(integer_count)};
}

std::string Grouped(const std::string& integer, char separator) {
  if (separator == '\0') return integer;
  std::string result;
  result.reserve(integer.size() + integer.size() / 3);
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) result.push_back(separator);
    result.push_back(integer[i]);
  }
  return result;
}

std::string JoinFixed(const FixedDigits& fixed, char decimal_separator) {
  if (fixed.fraction.empty()) return fixed.integer;
  return fixed.integer + decimal_separator + fixed.fraction;
}

// A minus sign in front of nothing but zeros (as in "-0.00") is dropped.
bool OnlyZeros(const std::string& text, const FormatSettings& settings) {
  return std::all_of(text.begin(), text.end(), [&settings](char c) {
    return c == '0' || c == settings.decimal_separator || c == 'E' || c == '+' ||
           c == settings.thousand_separator;
  });
}

std::string General(double magnitude, int precision, const FormatSettings& settings) {
  const DecimalDigits d = SignificantDigits(magnitude, precision);
  std::string result;
  if (d.exponent < precision && d.exponent > -6) {
    std::string integer = "0";
    std::string fraction;
    if (d.exponent >= 0) {
      integer = d.digits.substr(0, d.exponent + 1);
      fraction = d.digits.substr(d.exponent + 1);
    } else {
      fraction = std::string(-d.exponent - 1, '0') + d.digits;
    }
    fraction.erase(fraction.find_last_not_of('0') + 1);
    result = fraction.empty() ? integer : integer + settings.decimal_separator + fraction;
  } else {
    std::string rest = d.digits.substr(1);
    rest.erase(rest.find_last_not_of('0') + 1);
    result = d.digits.substr(0, 1);
    if (!rest.empty()) result += settings.decimal_separator + rest;
    result += 'E';
    if (d.exponent < 0) result += '-';
    result += std::to_string(std::abs(d.exponent));
  }
  return result;
}

std::string Exponent(double magnitude, int precision, int exponent_digits,
                     const FormatSettings& settings) {
  const DecimalDigits d = SignificantDigits(magnitude, precision);
  std::string result = d.digits.substr(0, 1) + settings.decimal_separator + d.digits.substr(1);
  std::string exponent = std::to_string(std::abs(d.exponent));
  const int width = std::min(exponent_digits, 4);
  if (d.exponent == 0 && width <= 0) return result;
  if (static_cast<int>(exponent.size()) < width) {
    exponent.insert(0, width - exponent.size(), '0');
  }
  result += 'E';
  result += d.exponent < 0 ? '-' : '+';
  return result + exponent;
}

std::string Currency(const std::string& number, bool negative, const FormatSettings& s) {
  const std::string& c = s.currency_string;
  if (!negative) {
    switch (s.currency_format) {
      case 0: return c + number;
      case 2: return c + ' ' + number;
      case 3: return number + ' ' + c;
      default: return number + c;
    }
  }
  switch (s.negative_currency_format) {
    case 0: return '(' + c + number + ')';
    case 1: return '-' + c + number;
    case 2: return c + '-' + number;
    case 3: return c + number + '-';
    case 4: return '(' + number + c + ')';
    case 6: return number + '-' + c;
    case 7: return number + c + '-';
    case 8: return '-' + number + ' ' + c;
    case 9: return "-" + c + ' ' + number;
    case 10: return number + ' ' + c + '-';
    case 11: return c + ' ' + number + '-';
    case 12: return c + " -" + number;
    case 13: return number + "- " + c;
    case 14: return "(" + c + ' ' + number + ')';
    case 15: return '(' + number + ' ' + c + ')';
    default: return '-' + number + c;
  }
}

// The platform keeps at most this many significant digits of a value in
// general and scientific form, and decimals in the fixed forms.
constexpr int kMaxPrecision = 17;
constexpr int kMaxDecimals = 18;

}  // namespace

std::string FloatToText(double value, FloatFormat format, int precision, int digits,
                        const FormatSettings& settings) {
  if (std::isnan(value)) return "Nan";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  if (precision < 0 || precision > kMaxPrecision) precision = kMaxPrecision;
  // Fewer than two significant digits are never shown.
  precision = std::max(precision, 2);

  std::string body;
  switch (format) {
    case FloatFormat::kGeneral:
      body = General(magnitude, precision, settings);
      break;
    case FloatFormat::kExponent:
      body = Exponent(magnitude, precision, digits, settings);
      break;
    case FloatFormat::kFixed:
      digits = digits < 0 ? 2 : std::min(digits, kMaxDecimals);
      body = JoinFixed(ToFixed(magnitude, digits), settings.decimal_separator);
      break;
    case FloatFormat::kNumber: {
      digits = digits < 0 ? 2 : std::min(digits, kMaxPrecision);
      FixedDigits fixed = ToFixed(magnitude, digits);
      fixed.integer = Grouped(fixed.integer, settings.thousand_separator);
      body = JoinFixed(fixed, settings.decimal_separator);
      break;
    }
    case FloatFormat::kCurrency: {
      digits = digits < 0 ? settings.currency_decimals : std::min(digits, kMaxDecimals);
      FixedDigits fixed = ToFixed(magnitude, digits);
      fixed.integer = Grouped(fixed.integer, settings.thousand_separator);
      body = JoinFixed(fixed, settings.decimal_separator);
      return Currency(body, negative && !OnlyZeros(body, settings), settings);
    }
  }
  if (negative && !OnlyZeros(body, settings)) body.insert(body.begin(), '-');
  return body;
}

std::string FloatToStr(double value, const FormatSettings& settings) {
  return FloatToText(value, FloatFormat::kGeneral, 15, 0, settings);
}

bool TryStrToFloat(std::string_view text, double& result, const FormatSettings& settings) {
  // Grouped digits are refused, and so is a '.' where the decimal separator
  // is another character: "1.5" must not read as 15 or 1.5 by accident.
  const char decimal = settings.decimal_separator;
  if (settings.thousand_separator != decimal &&
      text.find(settings.thousand_separator) != std::string_view::npos) {
    return false;
  }
  if (decimal != '.' && text.find('.') != std::string_view::npos) return false;
  std::string number = Trim(text);
  if (const size_t point = number.find(decimal); point != std::string::npos) {
    number[point] = '.';
  }
  // Strict shape: sign, digits with an optional point, optional exponent.
  // Words such as "nan" and "inf" are no numbers.
  size_t i = 0;
  if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
  const size_t mantissa_start = i;
  size_t mantissa_digits = 0;
  for (; i < number.size() && (std::isdigit(static_cast<unsigned char>(number[i])) || number[i] == '.'); ++i) {
    if (number[i] != '.') ++mantissa_digits;
  }
  if (mantissa_digits == 0 ||
      std::count(number.begin() + mantissa_start, number.begin() + i, '.') > 1) {
    return false;
  }
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    const size_t exponent_start = i;
    while (i < number.size() && std::isdigit(static_cast<unsigned char>(number[i]))) ++i;
    if (i == exponent_start) return false;
  }
  if (i != number.size()) return false;
  const char* first = number.data() + (number[0] == '+' ? 1 : 0);
  double value = 0;
  const auto parsed = std::from_chars(first, number.data() + number.size(), value);
  if (parsed.ec != std::errc() || parsed.ptr != number.data() + number.size()) return false;
  result = value;
  return true;
}

}  // namespace zelmor
