#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor {
namespace {

TEST(Text, AnsiCasingCoversCyrillicAndAsciiCasingOnlyLatin) {
  EXPECT_EQ(AnsiUpperCase("abc абв ёїў z"), "ABC АБВ ЁЇЎ Z");
  EXPECT_EQ(AnsiLowerCase("C:\\ZEDE\\LogFiles\\ЖУРНАЛ.LOG"), "c:\\zede\\logfiles\\журнал.log");
  EXPECT_EQ(AsciiUpperCase("c:\\зеде\\zelmor.dll"), "C:\\зеде\\ZELMOR.DLL");
  EXPECT_EQ(AsciiLowerCase("FBPSW=Пароль"), "fbpsw=Пароль");
  EXPECT_TRUE(AnsiSameText("Журнал.log", "ЖУРНАЛ.LOG"));
  EXPECT_FALSE(AnsiSameText("a", "ab"));
}

TEST(Text, TrimDropsControlBytesAndBlanksOnly) {
  EXPECT_EQ(Trim("  abc \r\n"), "abc");
  EXPECT_EQ(Trim(std::string("\0\x01 x\x1f", 5)), "x");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0") << "0xA0 is above 32 and stays";
}

TEST(Text, Cp1251AndUtf8RoundTrip) {
  const std::string cp1251 = "Модуль Zelmor загружен №1 «ё»";
  const std::string utf8 = Cp1251ToUtf8(cp1251);
  EXPECT_EQ(utf8, "\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBB\xD1\x8C Zelmor "
                  "\xD0\xB7\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB6\xD0\xB5\xD0\xBD "
                  "\xE2\x84\x96" "1 \xC2\xAB\xD1\x91\xC2\xBB");
  EXPECT_EQ(Utf8ToCp1251(utf8), cp1251);
  EXPECT_EQ(Utf8ToCp1251("\xE4\xB8\xAD"), "?") << "a character CP1251 lacks";
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?") << "a cut sequence";
}

TEST(Text, StrictIntegerParsing) {
  long long v = 0;
  EXPECT_TRUE(TryStrToInt("3051", v));
  EXPECT_EQ(v, 3051);
  EXPECT_TRUE(TryStrToInt("-65535", v));
  EXPECT_EQ(v, -65535);
  EXPECT_TRUE(TryStrToInt("$1F", v));
  EXPECT_EQ(v, 31);
  EXPECT_FALSE(TryStrToInt("", v));
  EXPECT_FALSE(TryStrToInt("abc", v));
  EXPECT_FALSE(TryStrToInt("12a", v));
  EXPECT_FALSE(TryStrToInt("-", v));
  EXPECT_FALSE(TryStrToInt("99999999999999999999", v));
  EXPECT_EQ(StrToIntDef("x", -65535), -65535);
}

TEST(Exceptions, RaiseWithMessageKeepsTheExactClassAndNothingElse) {
  try {
    try {
      throw EIBInterBaseError("lock conflict", -913, 335544345);
    } catch (const Exception& e) {
      e.RaiseWithMessage("FBGetIBDataBaseFromPool -> " + e.Message());
    }
  } catch (const EIBInterBaseError& e) {
    EXPECT_STREQ(e.ClassName(), "EIBInterBaseError");
    EXPECT_EQ(e.Message(), "FBGetIBDataBaseFromPool -> lock conflict");
    EXPECT_EQ(e.SQLCode(), 0);
    return;
  }
  FAIL() << "the class was lost";
}

}  // namespace
}  // namespace zelmor
