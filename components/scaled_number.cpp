#include "components/scaled_number.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string_view>

namespace zelmor {

namespace {

// 10^0 to 10^19, every power of ten an unsigned 64-bit integer holds.
constexpr uint64_t kPowersOfTen[] = {1ULL,
                                     10ULL,
                                     100ULL,
                                     1000ULL,
                                     10000ULL,
                                     100000ULL,
                                     1000000ULL,
                                     10000000ULL,
                                     100000000ULL,
                                     1000000000ULL,
                                     10000000000ULL,
                                     100000000000ULL,
                                     1000000000000ULL,
                                     10000000000000ULL,
                                     100000000000000ULL,
                                     1000000000000000ULL,
                                     10000000000000000ULL,
                                     100000000000000000ULL,
                                     1000000000000000000ULL,
                                     10000000000000000000ULL};
constexpr int kLargestPower = 19;

// 10^0 to 10^22: each is exact in a double.
constexpr double kExactDoublePowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kLargestExactInteger = 1ULL << 53;

// Where double expressions are evaluated in double, the quotient of two
// exact doubles is the correctly rounded one. The x87 unit of the 32-bit
// targets divides in extended precision and rounds a second time on the
// store, which can miss by one unit; there the text conversion below is
// used.
constexpr bool kDoubleArithmetic = FLT_EVAL_METHOD == 0;

// Through unsigned so that the most negative value has a magnitude.
uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// Appends a decimal digit to `number`; false on overflow.
bool AppendDigit(uint64_t& number, char digit) {
  return !__builtin_mul_overflow(number, 10, &number) &&
         !__builtin_add_overflow(number, static_cast<uint64_t>(digit - '0'), &number);
}

// The common case without the text: when the double's spacing is finer
// than 10^scale (fewer than 2^50 units), at most one multiple of 10^scale
// reads back as `magnitude`, and when one does, the shortest decimal that
// reads back is that multiple (any other would need more digits). False
// when none does (more digits than the scale keeps, a half to round): the
// text decides then.
bool ExactMultiple(double magnitude, int scale, uint64_t& scaled) {
  if (!kDoubleArithmetic || -scale > 22) return false;
  const double unit = kExactDoublePowers[-scale];
  const double units = magnitude * unit;
  if (!(units < 0x1p50)) return false;
  const double candidate = std::nearbyint(units);
  if (candidate / unit != magnitude) return false;
  scaled = static_cast<uint64_t>(candidate);
  return true;
}

}  // namespace

std::string ScaledText(int64_t value, int scale, char separator) {
  std::string digits = std::to_string(Magnitude(value));
  if (scale > 0) {
    if (value != 0) digits.append(static_cast<size_t>(scale), '0');
  } else if (scale < 0) {
    const size_t decimals = static_cast<size_t>(-scale);
    if (digits.size() <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
    digits.insert(digits.size() - decimals, 1, separator);
  }
  return value < 0 ? "-" + digits : digits;
}

double ScaledToDouble(int64_t value, int scale) {
  if (kDoubleArithmetic && scale <= 0 && -scale <= 22 && Magnitude(value) <= kLargestExactInteger)
    return static_cast<double>(value) / kExactDoublePowers[-scale];
  // from_chars rounds the exact decimal correctly whatever the unit.
  const std::string text = ScaledText(value, scale, '.');
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

bool ScaledToInteger(int64_t value, int scale, int64_t& result) {
  if (scale >= 0) {
    if (value == 0 || scale == 0) {
      result = value;
      return true;
    }
    return scale < kLargestPower &&
           !__builtin_mul_overflow(value, static_cast<int64_t>(kPowersOfTen[scale]), &result);
  }
  const uint64_t magnitude = Magnitude(value);
  uint64_t whole = 0;
  if (-scale <= kLargestPower) {
    const uint64_t unit = kPowersOfTen[-scale];
    whole = magnitude / unit;
    const uint64_t rest = magnitude % unit;
    if (rest >= unit - rest) ++whole;  // rest >= unit / 2, without overflow
  }
  // Below 2^63 / 10, so it fits either way round.
  result = value < 0 ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole);
  return true;
}

bool DoubleToScaled(double value, int scale, int64_t minimum, int64_t maximum, int64_t& result) {
  if (!std::isfinite(value) || scale > 0) return false;
  const double magnitude = std::fabs(value);
  // Past 64 bits at any scale; or too small to reach a digit of any scale.
  if (magnitude >= 1e19) return false;
  uint64_t scaled = 0;
  if (magnitude >= 1e-30 && !ExactMultiple(magnitude, scale, scaled)) {
    char buffer[128];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed);
    const std::string_view digits(buffer, static_cast<size_t>(written.ptr - buffer));
    const size_t point = digits.find('.');
    const std::string_view whole = digits.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : digits.substr(point + 1);
    const size_t decimals = static_cast<size_t>(-scale);
    for (char digit : whole) {
      if (!AppendDigit(scaled, digit)) return false;
    }
    for (size_t i = 0; i < decimals; ++i) {
      if (!AppendDigit(scaled, i < fraction.size() ? fraction[i] : '0')) return false;
    }
    // The first digit dropped decides: 5 or more is at least half.
    if (decimals < fraction.size() && fraction[decimals] >= '5' &&
        __builtin_add_overflow(scaled, 1, &scaled))
      return false;
  }
  if (value < 0) {
    if (scaled > Magnitude(minimum)) return false;
    result = scaled == 0 ? 0 : -static_cast<int64_t>(scaled - 1) - 1;
  } else {
    if (scaled > static_cast<uint64_t>(maximum)) return false;
    result = static_cast<int64_t>(scaled);
  }
  return true;
}

}  // namespace zelmor
