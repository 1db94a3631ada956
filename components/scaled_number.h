// NUMERIC and DECIMAL values: an integer the server keeps with a decimal
// scale (value × 10^scale), read and written without losing a digit.
#pragma once

#include <cstdint>
#include <string>

namespace zelmor {

// The decimal text of value × 10^scale with every digit of the scale, as
// the server writes it ("0.3000" for 3000 at scale -4), with `separator`
// before the fraction.
std::string ScaledText(int64_t value, int scale, char separator);

// The double nearest to value × 10^scale (ties to even), on every target.
double ScaledToDouble(int64_t value, int scale);

// value × 10^scale rounded to a whole number, halves away from zero (as
// Round does for a positive fraction: 2.5 is 3, -2.5 is -3). False when it
// does not fit in 64 bits (only for a positive scale).
bool ScaledToInteger(int64_t value, int scale, int64_t& result);

// The scaled integer for a double: the shortest fixed-point decimal that
// reads back as `value` (what the host wrote for 0.3 or 2.675; the exact
// integer for one beyond 2^53), rounded at `scale` (<= 0) halves away from
// zero. False when it falls outside [minimum, maximum], or for NaN and
// infinities.
bool DoubleToScaled(double value, int scale, int64_t minimum, int64_t maximum, int64_t& result);

}  // namespace zelmor
