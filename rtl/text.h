// Byte-string helpers for CP1251 text.
#pragma once

#include <string>
#include <string_view>

namespace zelmor {

// Upper/lower casing under the Windows Cyrillic locale: A-Z, the Cyrillic
// letters of CP1251 (including Ё/ё and the Ukrainian and Belarusian letters),
// the same table on every build.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Casing of the ASCII letters A-Z only; every other byte stays.
std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);
// Equality ignoring case under the Windows Cyrillic locale.
bool AnsiSameText(std::string_view a, std::string_view b);
// Drops leading and trailing bytes with codes 0-32.
std::string Trim(std::string_view text);
// CP1251 bytes to UTF-8, for showing text on a UTF-8 terminal.
std::string Cp1251ToUtf8(std::string_view text);
// UTF-8 to CP1251; characters CP1251 lacks become '?'.
std::string Utf8ToCp1251(std::string_view text);
// Replaces each of the nine characters Windows refuses in file and object
// names (" * / : < > ? \ |) by '_'; every other byte stays.
std::string ReplaceReservedNameChars(std::string name);
// Decimal text of a signed integer.
std::string IntToStr(long long value);
// Strict decimal parse: optional sign, digits, nothing else (blanks around
// are not allowed). Hex with a leading '$' or 0x is accepted, as the
// platform's own StrToInt does.
bool TryStrToInt(std::string_view text, long long& value);
long long StrToIntDef(std::string_view text, long long fallback);

}  // namespace zelmor
