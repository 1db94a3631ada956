#include "rtl/text.h"

#include <array>
#include <cstdint>

namespace zelmor {
namespace {

// Unicode code points of CP1251 bytes 0x80-0xFF (0 = unassigned, 0x98).
constexpr uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Lower-case byte -> upper-case byte pairs of CP1251 beyond ASCII, as the
// Windows Cyrillic locale cases them.
constexpr uint8_t kCasePairs[][2] = {
    {0x83, 0x81}, {0x90, 0x80}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
    {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xB3, 0xB2}, {0xB4, 0xA5},
    {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBC, 0xA3}, {0xBE, 0xBD}, {0xBF, 0xAF},
};

struct CaseTables {
  std::array<uint8_t, 256> upper{};
  std::array<uint8_t, 256> lower{};
  constexpr CaseTables() {
    for (int b = 0; b < 256; ++b) upper[b] = lower[b] = static_cast<uint8_t>(b);
    for (int b = 'a'; b <= 'z'; ++b) {
      upper[b] = static_cast<uint8_t>(b - 32);
      lower[b - 32] = static_cast<uint8_t>(b);
    }
    for (int b = 0xE0; b <= 0xFF; ++b) {  // а-я <-> А-Я
      upper[b] = static_cast<uint8_t>(b - 32);
      lower[b - 32] = static_cast<uint8_t>(b);
    }
    for (const auto& pair : kCasePairs) {
      upper[pair[0]] = pair[1];
      lower[pair[1]] = pair[0];
    }
  }
};
constexpr CaseTables kCase;

std::string MapBytes(std::string_view text, const std::array<uint8_t, 256>& table) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(table[static_cast<uint8_t>(c)]);
  return result;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char UnicodeToCp1251(uint32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (int i = 0; i < 128; ++i)
    if (kCp1251High[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string AnsiUpperCase(std::string_view text) { return MapBytes(text, kCase.upper); }
std::string AnsiLowerCase(std::string_view text) { return MapBytes(text, kCase.lower); }

std::string AsciiUpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return result;
}

std::string AsciiLowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return result;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (kCase.upper[static_cast<uint8_t>(a[i])] != kCase.upper[static_cast<uint8_t>(b[i])])
      return false;
  return true;
}

std::string Trim(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= 32) ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= 32) --last;
  return std::string(text.substr(first, last - first));
}

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const uint8_t b = static_cast<uint8_t>(c);
    const uint32_t cp = b < 0x80 ? b : kCp1251High[b - 0x80];
    AppendUtf8(out, cp == 0 ? 0xFFFD : cp);
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out += '?';
      ++i;
      continue;
    }
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    out += UnicodeToCp1251(cp);
    i += extra + 1;
  }
  return out;
}

std::string ReplaceReservedNameChars(std::string name) {
  for (char& c : name) {
    switch (c) {
      case '"': case '*': case '/': case ':': case '<':
      case '>': case '?': case '\\': case '|':
        c = '_';
        break;
      default:
        break;
    }
  }
  return name;
}

std::string IntToStr(long long value) { return std::to_string(value); }

bool TryStrToInt(std::string_view text, long long& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  unsigned long long magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0x8000000000000000ULL) return false;
  }
  if (!negative && magnitude > 0x7FFFFFFFFFFFFFFFULL) return false;
  value = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
  return true;
}

long long StrToIntDef(std::string_view text, long long fallback) {
  long long value;
  return TryStrToInt(text, value) ? value : fallback;
}

}  // namespace zelmor
