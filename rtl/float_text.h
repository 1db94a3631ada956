// Decimal text of floating-point numbers in the platform's five layouts,
// shared by Format (%e %f %g %n %m) and FloatToStr.
#pragma once

#include <string>

#include "rtl/format_settings.h"

namespace zelmor {

enum class FloatFormat {
  kGeneral,   // shortest of fixed and scientific, `precision` significant digits
  kExponent,  // d.dddE+ddd with `precision` significant digits, `digits` exponent digits
  kFixed,     // `digits` decimals
  kNumber,    // `digits` decimals, thousands grouped
  kCurrency,  // `digits` decimals, grouped, with the settings' currency layout
};

// `precision` or `digits` of -1 take the platform's default for the layout.
// Rounding is half away from zero on the exact binary value. Not-a-number
// and the infinities read "Nan", "+Inf" and "-Inf".
std::string FloatToText(double value, FloatFormat format, int precision, int digits,
                        const FormatSettings& settings);

}  // namespace zelmor
