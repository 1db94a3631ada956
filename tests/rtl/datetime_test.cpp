// Expected texts and values are those Free Pascal's SysUtils gives for the
// same input (FormatDateTime, TryStrToDateTime/Date/Time, FloatToStr).
#include "rtl/datetime.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

// The settings the event log and the INI files write and read with.
FormatSettings LogSettings() {
  FormatSettings s;
  s.decimal_separator = '.';
  s.date_separator = '.';
  s.time_separator = ':';
  s.short_date_format = s.long_date_format = "dd/mm/yyyy";
  s.short_time_format = s.long_time_format = "hh:nn:ss.zzz";
  return s;
}

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

std::string Text(std::string_view pattern, DateTime value) {
  return FormatDateTime(pattern, value, LogSettings());
}

TEST(DateTimeEncoding, DayNumbersAndTheirComponents) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2026, 12, 7), 46363);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
  DateTime unused = 0;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, unused));
  EXPECT_FALSE(TryEncodeDate(2026, 13, 1, unused));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, unused));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, unused));
  try {
    EncodeDate(2026, 2, 30);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "2026-2-30 is not a valid date");
  }
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);

  // Every day of four centuries decodes back to itself.
  for (int day = -36500; day <= 110000; ++day) {
    int y, m, d;
    DecodeDate(day, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), day);
  }
  int h, mi, s, ms;
  DecodeTime(At(2026, 12, 7, 23, 59, 59, 999), h, mi, s, ms);
  EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 235959999);
}

TEST(DateTimeEncoding, BeforeEighteenNinetyNineTheFractionIsTheTimeOfDay) {
  EXPECT_EQ(Text("dd.mm.yyyy hh:nn:ss.zzz", -1.25), "29.12.1899 06:00:00.000");
  EXPECT_EQ(Text("dd.mm.yyyy hh:nn:ss.zzz", -0.5), "30.12.1899 12:00:00.000");
  EXPECT_EQ(Text("dd.mm.yyyy", -1.5), "29.12.1899");
  EXPECT_EQ(Text("dd.mm.yyyy hh:nn:ss.zzz", -693594.0), "00.00.0000 00:00:00.000");
  EXPECT_EQ(Text("dd.mm.yyyy", EncodeDate(9999, 12, 31) + 0.99999999), "31.12.9999");
  DateTime value = 0;
  ASSERT_TRUE(TryStrToDateTime("29.12.1899 06:00", value, LogSettings()));
  EXPECT_DOUBLE_EQ(value, -1.25);
}

TEST(FormatDateTime, LogAndSettingsPatterns) {
  const DateTime stamp = At(2026, 12, 7, 3, 51, 33, 123);
  EXPECT_EQ(Text("dd/mm/yyyy hh:nn:ss.zzz", stamp), "07.12.2026 03:51:33.123");
  EXPECT_EQ(Text("dd/mm hh:nn:ss.zzz", stamp), "07.12 03:51:33.123");
  EXPECT_EQ(Text("hh:nn:ss.zzzz", At(2026, 1, 1, 13, 45, 10, 123)), "13:45:10.123");
  EXPECT_EQ(Text("yyyy/mm/dd", stamp), "2026.12.07");
  EXPECT_EQ(Text("d/m/yy h:n:s.z", At(2026, 1, 2, 3, 4, 5, 6)), "2.1.26 3:4:5.6");
  EXPECT_EQ(Text("y yy yyy yyyy yyyyy", stamp), "26 26 2026 2026 2026");
  EXPECT_EQ(Text("z zz zzz zzzz", EncodeTime(1, 2, 3, 4)), "4 004 004 004");
  EXPECT_EQ(Text("ddd dddd mmm mmmm", stamp), "Mon Monday Dec December");
  EXPECT_EQ(Text("ddddd|dddddd", stamp), "07.12.2026|07.12.2026");
  EXPECT_EQ(Text("t|tt", EncodeTime(13, 45, 10, 123)), "13:45:10.123|13:45:10.123");
  EXPECT_EQ(Text("", At(2026, 12, 7, 13, 45, 10, 123)), "07.12.2026 13:45:10.123");
  EXPECT_EQ(Text("f", At(2026, 12, 7, 13, 45, 10, 123)), "07.12.2026 13:45:10.123");
}

TEST(FormatDateTime, ShortFormWithoutATimeOfDay) {
  EXPECT_EQ(Text("c", EncodeDate(2026, 12, 7)), "07.12.2026");
  EXPECT_EQ(Text("c", At(2026, 12, 7, 0, 0, 0, 5)), "07.12.2026");
  EXPECT_EQ(Text("c", At(2026, 12, 7, 13)), "07.12.2026 13:00:00.000");
  // A settings pattern that names itself writes nothing at the second level.
  FormatSettings s = LogSettings();
  s.short_date_format = "dd c";
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 12, 7), s), "07 ");
}

TEST(FormatDateTime, MAfterAnHourIsTheMinute) {
  const DateTime value = At(2026, 12, 7, 13, 45, 10, 123);
  EXPECT_EQ(Text("hh:mm", value), "13:45");
  EXPECT_EQ(Text("h\"x\"m", value), "13x45");
  EXPECT_EQ(Text("hh/mm", value), "13.45");
  EXPECT_EQ(Text("hh mm", value), "13 12");  // a blank ends the hour's reach
  EXPECT_EQ(Text("mm hh", value), "12 13");
}

TEST(FormatDateTime, TwelveHourClock) {
  EXPECT_EQ(Text("hh:nn am/pm", EncodeTime(13, 45, 0, 0)), "01:45 pm");
  EXPECT_EQ(Text("hh:nn AM/PM", EncodeTime(0, 45, 0, 0)), "12:45 AM");
  EXPECT_EQ(Text("h:nn a/p", EncodeTime(12, 5, 0, 0)), "12:05 p");
  EXPECT_EQ(Text("h:nn A/P", EncodeTime(11, 5, 0, 0)), "11:05 A");
  EXPECT_EQ(Text("hh:nn ampm", EncodeTime(23, 5, 0, 0)), "11:05 PM");
  EXPECT_EQ(Text("hh:nn ampm", EncodeTime(0, 5, 0, 0)), "12:05 AM");
  EXPECT_THROW(Text("ax", 0), EConvertError);
}

TEST(FormatDateTime, LiteralsAndOtherCharacters) {
  const DateTime value = EncodeDate(2026, 12, 7);
  EXPECT_EQ(Text("'yyyy' \"mm\" yyyy", value), "yyyy mm 2026");
  EXPECT_EQ(Text("\"abc", value), "abc");
  EXPECT_EQ(Text("/:", value), ".:");
  // Characters that are no token are copied as they are, Cyrillic too.
  EXPECT_EQ(Text("xq [h] e Ж-_,;", 1.5), "xq [12] e Ж-_,;");
  // Long output is not cut off.
  EXPECT_EQ(Text(std::string(300, '-') + "yyyy", value).size(), 304u);
}

TEST(StrToDateTime, ReadsBackLogAndIniTexts) {
  const FormatSettings s = LogSettings();
  const int year = platform::CurrentLocalTime().year;
  struct Case {
    const char* text;
    DateTime expected;
  } cases[] = {
      {"07.12.2026 03:51:33.123", At(2026, 12, 7, 3, 51, 33, 123)},
      {"07.12 03:51:33.123", At(year, 12, 7, 3, 51, 33, 123)},
      {"07.12.2026", EncodeDate(2026, 12, 7)},
      {"03:51:33.123", EncodeTime(3, 51, 33, 123)},
      {"03:51", EncodeTime(3, 51, 0, 0)},
      {"3:5:7", EncodeTime(3, 5, 7, 0)},
      {"7.1.2026", EncodeDate(2026, 1, 7)},
      {"07.12.26", EncodeDate(2026, 12, 7)},
      {"07.12.76", EncodeDate(1976, 12, 7)},
      {"07.12.00", EncodeDate(2000, 12, 7)},
      {"07.12.0026", EncodeDate(26, 12, 7)},
      {"07.12.", EncodeDate(year, 12, 7)},
      {"07.12.2026  03:51:33.123", At(2026, 12, 7, 3, 51, 33, 123)},
      {" 07.12.2026 03:51:33.123 ", At(2026, 12, 7, 3, 51, 33, 123)},
      {"07.12.2026 03:51:33.5", At(2026, 12, 7, 3, 51, 33, 5)},
      {"07.12.2026 003:051:033.0123", At(2026, 12, 7, 3, 51, 33, 123)},
      {"07.12.2026 3:51 PM", At(2026, 12, 7, 15, 51)},
      {"07.12.2026 12:51 am", At(2026, 12, 7, 0, 51)},
      {"07 .12. 2026 03:51", At(2026, 12, 7, 3, 51)},
      {"07.12.2026 03:51 : 33", At(2026, 12, 7, 3, 51, 33)},
      {"29.02.2024", EncodeDate(2024, 2, 29)},
      {"01.01.0001", EncodeDate(1, 1, 1)},
      {"31.12.9999 23:59:59.999", At(9999, 12, 31, 23, 59, 59, 999)},
  };
  for (const Case& c : cases) {
    DateTime value = -1e9;
    EXPECT_TRUE(TryStrToDateTime(c.text, value, s)) << c.text;
    EXPECT_DOUBLE_EQ(value, c.expected) << c.text;
  }
}

TEST(StrToDateTime, RefusesWhatDoesNotParse) {
  const FormatSettings s = LogSettings();
  for (const char* text :
       {"31.02.2026", "29.02.2023", "07.12.2026 25:00", "07.12.2026 03:60", "07.12.2026 03:51:33.12345",
        "07.12.2026 03:51:33.1234", "07.12.2026 03:51:33,123", "07.12.2026 03:51:33:123",
        "07.12.2026T03:51", "07-12-2026", "07.12.2026.1", "07..2026", ".07.12", "abc", "",
        "07.12.2026 03:51:33.", "07.12.2026 03", "1899-12-30", "70000.12.2026", "07.12.65536",
        "0.12.2026", "07.13.2026", "07.12.2026 03 : 51", "07.12.2026 : 51", "07.12.2026 13:00 PM"}) {
    DateTime value = 42;
    EXPECT_FALSE(TryStrToDateTime(text, value, s)) << text;
    EXPECT_EQ(value, 42) << text;
  }
}

TEST(StrToDateTime, DateAndTimeAloneAndOtherOrders) {
  FormatSettings s = LogSettings();
  DateTime value = 0;
  EXPECT_TRUE(TryStrToDate(" 07.12.2026   ", value, s));
  EXPECT_EQ(value, EncodeDate(2026, 12, 7));
  EXPECT_FALSE(TryStrToDate("07.12.2026 03:51", value, s));
  EXPECT_FALSE(TryStrToDate("", value, s));
  EXPECT_TRUE(TryStrToTime(" 03:51 ", value, s));
  EXPECT_DOUBLE_EQ(value, EncodeTime(3, 51, 0, 0));
  EXPECT_FALSE(TryStrToTime("07.12.2026 03:51", value, s));
  EXPECT_FALSE(TryStrToTime("24:00", value, s));

  s.short_date_format = "yyyy/mm/dd";
  EXPECT_TRUE(TryStrToDateTime("2026.12.07 03:51", value, s));
  EXPECT_DOUBLE_EQ(value, At(2026, 12, 7, 3, 51));
  s.short_date_format = "mm/dd/yyyy";
  EXPECT_TRUE(TryStrToDateTime("12.07.2026 03:51", value, s));
  EXPECT_DOUBLE_EQ(value, At(2026, 12, 7, 3, 51));

  // Milliseconds follow the decimal separator.
  s = LogSettings();
  s.decimal_separator = ',';
  EXPECT_FALSE(TryStrToDateTime("07.12.2026 03:51:33.123", value, s));
  EXPECT_TRUE(TryStrToDateTime("07.12.2026 03:51:33,123", value, s));
  EXPECT_DOUBLE_EQ(value, At(2026, 12, 7, 3, 51, 33, 123));
}

TEST(StrToDateTime, WhatIsWrittenReadsBack) {
  const FormatSettings s = LogSettings();
  for (DateTime value : {At(2026, 12, 7, 3, 51, 33, 123), At(1, 1, 1), At(9999, 12, 31, 23, 59, 59, 999),
                         -1.25, At(2000, 2, 29, 12, 0, 0, 1)}) {
    DateTime read = 0;
    ASSERT_TRUE(TryStrToDateTime(Text("dd/mm/yyyy hh:nn:ss.zzz", value), read, s));
    EXPECT_DOUBLE_EQ(read, value);
  }
}

TEST(FloatToStr, GeneralFormWithFifteenDigits) {
  const FormatSettings s = LogSettings();
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5"}, {0.1, "0.1"}, {1e20, "1E20"}, {1e15, "1E15"}, {1e14, "100000000000000"},
      {123456789012345.0, "123456789012345"}, {1234567890123456.0, "1.23456789012346E15"},
      {0.0001, "0.0001"}, {0.00001, "0.00001"}, {0.000001, "1E-6"}, {1e-10, "1E-10"},
      {-1.5, "-1.5"}, {0.0, "0"}, {-0.0, "0"}, {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"}, {100, "100"}, {1e100, "1E100"},
      {1.7976931348623157e308, "1.79769313486232E308"}, {5e-324, "4.94065645841247E-324"},
      {-1e-5, "-0.00001"}, {0.1 + 0.2, "0.3"}, {123.456, "123.456"}, {12345678.9, "12345678.9"},
      {9.999999999999999e14, "1E15"}, {1.23456789012345678e-5, "0.0000123456789012346"},
      {123456789012345.6, "123456789012346"}, {99999999999999.95, "100000000000000"},
      {2.5e-6, "2.5E-6"}, {100.5, "100.5"}, {1e15 + 0.5, "1E15"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value, s), c.text) << c.text;
  FormatSettings comma = s;
  comma.decimal_separator = ',';
  EXPECT_EQ(FloatToStr(1.5, comma), "1,5");
}

TEST(FloatToStr, ReadsBackWithTheSettingsSeparator) {
  FormatSettings s = LogSettings();
  double value = 0;
  for (const auto& [text, expected] : std::vector<std::pair<const char*, double>>{
           {"1.5", 1.5}, {" 1.5", 1.5}, {"1.5 ", 1.5}, {"1e3", 1000}, {"1E-2", 0.01},
           {"-0.5", -0.5}, {"+2", 2}, {".5", 0.5}, {"5.", 5}}) {
    EXPECT_TRUE(TryStrToFloat(text, value, s)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  value = 42;
  // Words such as nan and inf are refused (the platform's Val takes them).
  for (const char* text : {"1,5", "", "abc", "1.5.2", "$10", "0x10", "1e400", "inf", "nan", "1e", "-", "."}) {
    EXPECT_FALSE(TryStrToFloat(text, value, s)) << text;
  }
  EXPECT_EQ(value, 42);
  s.decimal_separator = ',';
  EXPECT_TRUE(TryStrToFloat("1,5", value, s));
  EXPECT_EQ(value, 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", value, s));
  // Every FloatToStr text reads back to the same 15 digits.
  for (double v : {0.1, 1.0 / 3, 12345.678, 1e-300, 6.02214076e23}) {
    ASSERT_TRUE(TryStrToFloat(FloatToStr(v, s), value, s));
    EXPECT_EQ(FloatToStr(value, s), FloatToStr(v, s));
  }
}

}  // namespace
}  // namespace zelmor
