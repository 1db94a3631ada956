// Expected texts are those Free Pascal's SysUtils.Format gives for the same
// arguments (doubles passed as Double variables).
#include "rtl/format.h"

#include <gtest/gtest.h>

#include "rtl/exceptions.h"

namespace zelmor {
namespace {

FormatSettings DotSettings() {
  FormatSettings s;
  s.decimal_separator = '.';
  s.thousand_separator = ',';
  return s;
}

std::string F(std::string_view format, const FormatArgs& args) {
  return Format(format, args, DotSettings());
}

std::string ErrorOf(std::string_view format, const FormatArgs& args) {
  try {
    F(format, args);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(Format, Integers) {
  EXPECT_EQ(F("%d|%d|%.3d|%.3d", {5, -5, 5, -5}), "5|-5|005|-005");
  EXPECT_EQ(F("%5d|%-5d|", {42, 42}), "   42|42   |");
  EXPECT_EQ(F("%08d|%.0d|%.25d", {42, 0, 1}), "      42|0|0000000000000000000000001");
  EXPECT_EQ(F("%d %d", {INT64_MAX, INT64_MIN}), "9223372036854775807 -9223372036854775808");
  // A 32-bit value reads as 32 bits for %u and %x, a 64-bit one as 64.
  EXPECT_EQ(F("%u|%u", {-1, -5LL}), "4294967295|18446744073709551611");
  EXPECT_EQ(F("%x|%x|%x|%.4x|%X", {255, -1, -5LL, 255, 0xABC}),
            "FF|FFFFFFFF|FFFFFFFFFFFFFFFB|00FF|ABC");
  EXPECT_EQ(F("%.20x|%.5x", {255, INT64_MAX}), "00000000000000FF|7FFFFFFFFFFFFFFF");
  EXPECT_EQ(F("%d|%u", {~0ULL, ~0ULL}), "-1|18446744073709551615");
  // Unsigned 32-bit values keep their value (the platform's %d shows
  // 4000000000u as negative).
  EXPECT_EQ(F("%d", {4000000000u}), "4000000000");
}

TEST(Format, StringsCharsAndPointers) {
  EXPECT_EQ(F("%s|%.2s|%5s|%-5s|%.0s|", {"abc", "abc", "ab", "ab", "abc"}), "abc|ab|   ab|ab   ||");
  EXPECT_EQ(F("%s%s", {'x', std::string("yz")}), "xyz");
  EXPECT_EQ(F("[%s] TRAN:CREATE (", {"tag"}), "[tag] TRAN:CREATE (");
  EXPECT_EQ(F("%s_%d_%d", {"FBEvents.log", 412, 388}), "FBEvents.log_412_388");
  EXPECT_EQ(F("Ошибка: %s", {"сбой"}), "Ошибка: сбой");
  const std::string digits(sizeof(void*) * 2 - 4, '0');
  EXPECT_EQ(F("%p|%p", {static_cast<const void*>(nullptr), reinterpret_cast<const void*>(0x1234)}),
            std::string(sizeof(void*) * 2, '0') + "|" + digits + "1234");
}

TEST(Format, FixedAndNumberRoundHalfAwayFromZeroOnTheBinaryValue) {
  EXPECT_EQ(F("%f|%f|%.1f|%.3f", {1.5, -1.5, 0.05, -0.0001}), "1.50|-1.50|0.1|0.000");
  EXPECT_EQ(F("%.2f|%.0f|%.0f|%.0f|%.2f|%.2f", {1.005, 2.5, 0.5, -2.5, 0.125, -0.125}),
            "1.00|3|1|-3|0.13|-0.13");
  EXPECT_EQ(F("%.2f|%.2f|%.2f|%.2f", {0.005, 0.015, 2.675, 1e-20}), "0.01|0.01|2.67|0.00");
  EXPECT_EQ(F("%.18f|%.20f|%.17f", {0.1, 0.1, 0.1}),
            "0.100000000000000006|0.100000000000000006|0.10000000000000001");
  EXPECT_EQ(F("%f|%.3f", {1e20, 123456789.123456789}), "100000000000000000000.00|123456789.123");
  EXPECT_EQ(F("%n|%.0n|%n|%n|%.1n|%n", {1234567.891, 1234567.0, -1234.5, 999.999, -123456.0, 0.5}),
            "1,234,567.89|1,234,567|-1,234.50|1,000.00|-123,456.0|0.50");
  EXPECT_EQ(F("%.20n|%n", {1.0, -0.001}), "1.00000000000000000|0.00");
  EXPECT_EQ(F("%m|%m|%.0m|%m|%.20m", {1234.5, -1234.5, 5.0, -0.001, 1.0}),
            "1,234.50$|-1,234.50$|5$|0.00$|1.000000000000000000$");
  EXPECT_EQ(F("%10.2f|%-10.2f|", {3.14159, 3.14159}), "      3.14|3.14      |");
}

TEST(Format, ScientificAndGeneral) {
  EXPECT_EQ(F("%e|%.3e|%.2e|%e", {1.5, 12345.678, -1e-10, 0.0}),
            "1.5000000000000000E+000|1.23E+004|-1.0E-010|0.0000000000000000E+000");
  EXPECT_EQ(F("%e|%.1e|%.0e|%.5e|%.3e|%e", {0.1, 1.5, 1.5, 1e-300, 9.9999, -0.0}),
            "1.0000000000000001E-001|1.5E+000|1.5E+000|1.0000E-300|1.00E+001|0.0000000000000000E+000");
  EXPECT_EQ(F("%g|%g|%.3g|%g|%g|%g", {1.5, 0.1, 12345.678, 1e20, 1e-7, 123456789012345678.0}),
            "1.5|0.10000000000000001|1.23E4|1E20|9.9999999999999995E-8|1.2345678901234568E17");
  EXPECT_EQ(F("%.1g|%.0g|%.2g|%.5g|%g|%g", {0.5, 0.5, 0.000012, 123456.0, 1e16, 1e17}),
            "0.5|0.5|0.000012|1.2346E5|10000000000000000|1E17");
  EXPECT_EQ(F("%.3g|%.3g|%.3g|%g", {100.0, 1000.0, 999.9, -0.0}), "100|1E3|1E3|0");
  EXPECT_EQ(F("%10.3e|%-12g|", {1.5, 1.5}), " 1.50E+000|1.5         |");
}

TEST(Format, DecimalAndThousandSeparatorsComeFromTheSettings) {
  FormatSettings s = DotSettings();
  s.decimal_separator = ',';
  s.thousand_separator = ' ';
  EXPECT_EQ(Format("%f|%n|%e|%g|%m", {1.5, 1234567.891, 1.5, 1.5, 1234.5}, s),
            "1,50|1 234 567,89|1,5000000000000000E+000|1,5|1 234,50$");
  s.thousand_separator = '\0';
  EXPECT_EQ(Format("%n", {1234567.891}, s), "1234567,89");
  // The process-wide settings are used when none are given.
  FormatSettings& defaults = DefaultFormatSettings();
  const FormatSettings saved = defaults;
  defaults.decimal_separator = ',';
  EXPECT_EQ(Format("%.1f", {2.25}), "2,3");
  defaults = saved;
}

TEST(Format, PercentIndexesAndStars) {
  EXPECT_EQ(F("%%|100%%|%s%%%s", {"a", "b"}), "%|100%|a%b");
  EXPECT_EQ(F("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_EQ(F("%0:s %s %s", {"a", "b", "c"}), "a b c");
  EXPECT_EQ(F("%:s", {"a"}), "a");
  EXPECT_EQ(F("%*d|%-*d|%.*f|%*.*f", {5, 42, 5, 42, 3, 1.5, 8, 2, 3.14159}),
            "   42|42   |1.500|    3.14");
  EXPECT_EQ(F("%3:*d", {1, 2, 3, 5, 7}), "    7");
}

TEST(Format, MismatchedOrMissingArgumentsRaise) {
  const char* kInvalidIndex = "Invalid argument index in format \"";
  for (const auto& [format, arg] : std::vector<std::pair<const char*, FormatArg>>{
           {"%d", "abc"}, {"%s", 5}, {"%f", 5}, {"%d", 1.5}, {"%s", 1.5}, {"%x", 1.5},
           {"%u", "a"}, {"%e", 5}, {"%g", 5}, {"%n", 5}, {"%m", 5}, {"%p", 5}, {"%d", static_cast<const void*>(nullptr)}}) {
    EXPECT_EQ(ErrorOf(format, {arg}), kInvalidIndex + std::string(format) + "\"") << format;
  }
  EXPECT_EQ(ErrorOf("%d %d", {1}), "Invalid argument index in format \"%d %d\"");
  EXPECT_EQ(ErrorOf("%d", {}), "Invalid argument index in format \"%d\"");
  EXPECT_EQ(ErrorOf("%2:s", {"a", "b"}), "Invalid argument index in format \"%2:s\"");
  EXPECT_EQ(ErrorOf("%5", {1}), "Invalid format specifier : \"%5\"");
  EXPECT_EQ(ErrorOf("%*d", {"x", 1}), "Invalid format specifier : \"%*d\"");
  // An unknown type letter or a lone trailing '%' would silently drop or
  // repeat text; they raise instead.
  EXPECT_EQ(ErrorOf("%d %q", {1, 2}), "Invalid format specifier : \"%d %q\"");
  EXPECT_EQ(ErrorOf("abc%", {}), "Invalid format specifier : \"abc%\"");
  EXPECT_EQ(ErrorOf("%-", {1}), "Invalid format specifier : \"%-\"");
  EXPECT_EQ(ErrorOf("%99999999999d", {1}), "Invalid format specifier : \"%99999999999d\"");
}

TEST(Format, WidthsAndPrecisionsBeyondOneFieldLimitRaise) {
  // Found by fuzzing: a width in the billions, written or taken by '*',
  // asked for gigabytes.
  EXPECT_EQ(F("%65536d", {1}).size(), 65536u);
  EXPECT_EQ(F("%.65536d", {1}).size(), 65536u);
  EXPECT_EQ(F("%*d", {-65536, 1}).size(), 65536u);
  EXPECT_EQ(ErrorOf("%65537d", {1}), "Invalid format specifier : \"%65537d\"");
  EXPECT_EQ(ErrorOf("%.2000000000d", {1}), "Invalid format specifier : \"%.2000000000d\"");
  for (const long long width : {1879048196LL, -2130690042LL, -2147483648LL, 1LL << 40})
    EXPECT_EQ(ErrorOf("[%*d]", {width, 42}), "Invalid format specifier : \"[%*d]\"") << width;
}

}  // namespace
}  // namespace zelmor
