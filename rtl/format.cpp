#include "rtl/format.h"

#include <algorithm>
#include <cstdlib>

#include "rtl/exceptions.h"
#include "rtl/float_text.h"

namespace zelmor {
namespace {

// Widths and precisions pad a field: a larger one (up to the billions an
// int allows) would mean allocating gigabytes for one field, so it is
// refused as a malformed specifier. No message or log line comes near it.
constexpr long long kMaxFieldWidth = 65536;

// One pass over a format string, specifier by specifier, with the
// platform's rules for indexes, '*' and the argument each specifier takes.
class Formatter {
 public:
  Formatter(std::string_view format, const FormatArgs& args, const FormatSettings& settings)
      : format_(format), args_(args), settings_(settings) {}

  std::string Run() {
    result_.reserve(format_.size() + 16 * args_.size());
    while (pos_ < format_.size()) {
      const size_t percent = format_.find('%', pos_);
      if (percent == std::string_view::npos) {
        result_.append(format_.substr(pos_));
        break;
      }
      result_.append(format_.substr(pos_, percent - pos_));
      pos_ = percent + 1;
      // A lone '%' at the end would silently vanish from the text.
      if (pos_ >= format_.size()) InvalidFormat();
      AppendSpecifier();
    }
    return std::move(result_);
  }

 private:
  [[noreturn]] void InvalidFormat() const {
    throw EConvertError("Invalid format specifier : \"" + std::string(format_) + "\"");
  }
  [[noreturn]] void InvalidArgIndex() const {
    throw EConvertError("Invalid argument index in format \"" + std::string(format_) + "\"");
  }

  char At(size_t pos) const { return pos < format_.size() ? format_[pos] : '\0'; }

  // Digits, or '*' taking the value from the next argument; -1 when neither.
  int ReadNumber() {
    if (At(pos_) == '*') {
      const size_t arg = index_ >= 0 ? static_cast<size_t>(index_++) : next_arg_;
      if (arg >= args_.size() || !args_[arg].IsInteger()) InvalidFormat();
      const int64_t value = args_[arg].AsInteger();
      if (value > kMaxFieldWidth || value < -kMaxFieldWidth) InvalidFormat();
      next_arg_ = arg + 1;
      ++pos_;
      return static_cast<int>(value);
    }
    const size_t start = pos_;
    long long value = 0;
    while (pos_ < format_.size() && format_[pos_] >= '0' && format_[pos_] <= '9') {
      value = value * 10 + (format_[pos_++] - '0');
      if (value > kMaxFieldWidth) InvalidFormat();
    }
    if (pos_ >= format_.size()) InvalidFormat();
    return pos_ > start ? static_cast<int>(value) : -1;
  }

  // The argument a specifier takes; it must be of the kind `fits` accepts.
  template <typename Fits>
  const FormatArg& TakeArg(Fits fits) {
    const size_t arg = index_ >= 0 ? static_cast<size_t>(index_) : next_arg_;
    if (arg >= args_.size() || !fits(args_[arg])) InvalidArgIndex();
    next_arg_ = arg + 1;
    return args_[arg];
  }

  const FormatArg& TakeInteger() {
    return TakeArg([](const FormatArg& a) { return a.IsInteger(); });
  }
  double TakeFloat() {
    return TakeArg([](const FormatArg& a) { return a.IsFloat(); }).AsFloat();
  }

  void AppendSpecifier() {
    if (format_[pos_] == '%') {
      result_.push_back('%');
      ++pos_;
      return;
    }
    index_ = -1;
    // [index ':'] ['-'] [width] ['.' precision] type; a number read before
    // a missing ':' is the width.
    int number = At(pos_) == ':' ? 0 : ReadNumber();
    if (At(pos_) == ':') {
      index_ = number;
      number = -1;
      ++pos_;
    }
    bool left = false;
    if (At(pos_) == '-') {
      left = true;
      ++pos_;
    }
    int width = number != -1 ? number : ReadNumber();
    int precision = -1;
    if (At(pos_) == '.') {
      ++pos_;
      precision = ReadNumber();
      if (precision == -1) precision = 0;
    }
    if (pos_ >= format_.size()) InvalidFormat();
    char type = format_[pos_++];
    if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 'a' + 'A');
    std::string text;
    switch (type) {
      case 'D': text = Decimal(TakeInteger().AsInteger(), precision); width = std::abs(width); break;
      case 'U': text = Unsigned(TakeInteger(), precision); width = std::abs(width); break;
      case 'X': text = Hex(TakeInteger(), precision); break;
      case 'E': text = FloatToText(TakeFloat(), FloatFormat::kExponent, precision, 3, settings_); break;
      case 'F': text = FloatToText(TakeFloat(), FloatFormat::kFixed, 9999, precision, settings_); break;
      case 'G': text = FloatToText(TakeFloat(), FloatFormat::kGeneral, precision, 3, settings_); break;
      case 'N': text = FloatToText(TakeFloat(), FloatFormat::kNumber, 9999, precision, settings_); break;
      case 'M': text = FloatToText(TakeFloat(), FloatFormat::kCurrency, 9999, precision, settings_); break;
      case 'S': {
        const std::string& s = TakeArg([](const FormatArg& a) { return a.IsString(); }).AsString();
        text = precision >= 0 && static_cast<size_t>(precision) < s.size() ? s.substr(0, precision) : s;
        break;
      }
      case 'P': {
        const void* p = TakeArg([](const FormatArg& a) { return a.IsPointer(); }).AsPointer();
        text = HexDigits(reinterpret_cast<uintptr_t>(p), sizeof(void*) * 2);
        break;
      }
      default:
        InvalidFormat();
    }
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
      const size_t pad = width - text.size();
      if (left) {
        result_.append(text).append(pad, ' ');
        return;
      }
      result_.append(pad, ' ');
    }
    result_.append(text);
  }

  static std::string ZeroPadded(std::string digits, int precision) {
    if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
    return digits;
  }

  static std::string Decimal(int64_t value, int precision) {
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    std::string digits = ZeroPadded(std::to_string(magnitude), precision);
    return value < 0 ? "-" + digits : digits;
  }

  // A 32-bit argument reads as the 32 bits it has, as the platform does.
  static uint64_t Bits(const FormatArg& arg) {
    const uint64_t bits = static_cast<uint64_t>(arg.AsInteger());
    return arg.Is32BitInteger() ? bits & 0xFFFFFFFFu : bits;
  }

  static std::string Unsigned(const FormatArg& arg, int precision) {
    return ZeroPadded(std::to_string(Bits(arg)), precision);
  }

  static std::string HexDigits(uint64_t value, int count) {
    std::string digits(count, '0');
    for (int i = count - 1; i >= 0 && value != 0; --i, value >>= 4) {
      digits[i] = "0123456789ABCDEF"[value & 0xF];
    }
    return digits;
  }

  static std::string Hex(const FormatArg& arg, int precision) {
    const uint64_t value = Bits(arg);
    int needed = 1;
    while (needed < 16 && (value >> (needed * 4)) != 0) ++needed;
    // The platform caps the padding at 16 digits for 32-bit values and 31
    // for 64-bit ones.
    const int cap = arg.Is32BitInteger() ? 16 : 31;
    return HexDigits(value, precision > cap ? cap : std::max(needed, precision));
  }

  std::string_view format_;
  const FormatArgs& args_;
  const FormatSettings& settings_;
  std::string result_;
  size_t pos_ = 0;
  size_t next_arg_ = 0;
  int index_ = -1;
};

}  // namespace

std::string Format(std::string_view format, const FormatArgs& args) {
  return Format(format, args, DefaultFormatSettings());
}

std::string Format(std::string_view format, const FormatArgs& args,
                   const FormatSettings& settings) {
  return Formatter(format, args, settings).Run();
}

}  // namespace zelmor
