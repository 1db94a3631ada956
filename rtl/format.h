// String formatting with the semantics of the platform's Format.
//
// Format("%s -> %d", {"abc", 5}) — arguments are a typed list. Supported:
// %d %u %x %s %f %e %g %n %m %p, width, precision (%.2f), '-' (left align),
// '*' for width or precision taken from the arguments, indexed arguments
// (%0:s), and %%. A specifier that does not fit its argument, or a missing
// argument, raises EConvertError.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "rtl/format_settings.h"

namespace zelmor {

// One argument of Format: an integer, a floating-point number or a string.
class FormatArg {
 public:
  FormatArg(int value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(long long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned long long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(double value) : value_(value) {}
  FormatArg(const char* value) : value_(std::string(value ? value : "")) {}
  FormatArg(std::string value) : value_(std::move(value)) {}
  FormatArg(std::string_view value) : value_(std::string(value)) {}

  bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
  bool IsFloat() const { return std::holds_alternative<double>(value_); }
  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  int64_t AsInteger() const { return std::get<int64_t>(value_); }
  double AsFloat() const { return std::get<double>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }

 private:
  std::variant<int64_t, double, std::string> value_;
};

using FormatArgs = std::vector<FormatArg>;

// Formats with the process's default settings (decimal separator of the
// user's locale).
std::string Format(std::string_view format, const FormatArgs& args);
// Formats with explicit settings.
std::string Format(std::string_view format, const FormatArgs& args,
                   const FormatSettings& settings);

}  // namespace zelmor
