// String formatting with the semantics of the platform's Format.
//
// Format("%s -> %d", {"abc", 5}) — arguments are a typed list. Supported:
// %d %u %x %s %f %e %g %n %m %p, width, precision (%.2f; %.3d pads integers
// with zeros; %.5s truncates strings), '-' (left align), '*' for width or
// precision taken from the arguments, indexed arguments (%0:s, after which
// unindexed specifiers go on from the next argument), and %%. A specifier
// that does not fit its argument, a missing argument or a malformed
// specifier raises EConvertError naming the whole format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "rtl/format_settings.h"

namespace zelmor {

// One argument of Format: an integer, a floating-point number, a string or
// a pointer. An integer remembers whether it came from a 32-bit signed type,
// because %u and %x read such a value as 32 bits (as the platform does).
class FormatArg {
 public:
  FormatArg(int value) : value_(static_cast<int64_t>(value)), is_32bit_(true) {}
  FormatArg(long value) : value_(static_cast<int64_t>(value)), is_32bit_(sizeof(long) == 4) {}
  FormatArg(long long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(unsigned long long value) : value_(static_cast<int64_t>(value)) {}
  FormatArg(double value) : value_(value) {}
  FormatArg(char value) : value_(std::string(1, value)) {}
  FormatArg(const char* value) : value_(std::string(value ? value : "")) {}
  FormatArg(std::string value) : value_(std::move(value)) {}
  FormatArg(std::string_view value) : value_(std::string(value)) {}
  FormatArg(const void* value) : value_(value) {}

  bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
  bool IsFloat() const { return std::holds_alternative<double>(value_); }
  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  bool IsPointer() const { return std::holds_alternative<const void*>(value_); }
  // True for an integer from a 32-bit signed type (int, and long on Windows).
  bool Is32BitInteger() const { return IsInteger() && is_32bit_; }
  int64_t AsInteger() const { return std::get<int64_t>(value_); }
  double AsFloat() const { return std::get<double>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  const void* AsPointer() const { return std::get<const void*>(value_); }

 private:
  std::variant<int64_t, double, std::string, const void*> value_;
  bool is_32bit_ = false;
};

using FormatArgs = std::vector<FormatArg>;

// Formats with the process's default settings (decimal separator of the
// user's locale).
std::string Format(std::string_view format, const FormatArgs& args);
// Formats with explicit settings.
std::string Format(std::string_view format, const FormatArgs& args,
                   const FormatSettings& settings);

}  // namespace zelmor
