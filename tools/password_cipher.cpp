#include "tools/password_cipher.h"

#include <algorithm>

namespace zelmor {

const char kDefaultEncodedPassword[] = "999773E27295729C73E272E1739D73E6729372A1";

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& text, uint8_t byte) {
  text += kHexDigits[byte >> 4];
  text += kHexDigits[byte & 0x0F];
}

// Upper-case digits only; lower-case ones are refused.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of a text of hexadecimal digit pairs, each XOR `mask`; false
// when a character is not a digit.
bool HexToBytes(std::string_view text, uint8_t mask, std::string& bytes) {
  bytes.clear();
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = DigitValue(text[i]);
    const int low = DigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>((high * 16 + low) ^ mask);
  }
  return true;
}

}  // namespace

std::string EncodePassword(std::string_view plain) {
  std::string digits;
  for (const char c : plain) AppendHex(digits, static_cast<uint8_t>(c) ^ kInnerMask);
  uint16_t sum = 0;
  for (const char c : digits) sum = static_cast<uint16_t>(sum + static_cast<uint8_t>(c));
  const uint8_t low = sum & 0xFF;
  const uint8_t high = sum >> 8;
  for (size_t k = 0; k < digits.size(); ++k)  // k counts from 0: even k is odd position
    digits[k] = static_cast<char>(digits[k] ^ (k % 2 == 0 ? low : high));
  std::reverse(digits.begin(), digits.end());
  const std::string framed = static_cast<char>((low >> 4) | ((high & 0x0F) << 4)) + digits +
                             static_cast<char>((low & 0x0F) | (high & 0xF0));
  std::string text;
  for (const char c : framed) AppendHex(text, static_cast<uint8_t>(c) ^ kOuterMask);
  return text;
}

bool DecodePassword(std::string_view text, std::string& plain) {
  plain.clear();
  std::string bytes;
  if (text.size() < 4 || text.size() % 2 != 0 || !HexToBytes(text, kOuterMask, bytes))
    return false;
  const uint8_t first = static_cast<uint8_t>(bytes.front());
  const uint8_t last = static_cast<uint8_t>(bytes.back());
  const uint8_t low = static_cast<uint8_t>(((first & 0x0F) << 4) | (last & 0x0F));
  const uint8_t high = static_cast<uint8_t>((first >> 4) | (last & 0xF0));
  std::string digits(bytes.rbegin() + 1, bytes.rend() - 1);
  for (size_t k = 0; k < digits.size(); ++k)
    digits[k] = static_cast<char>(digits[k] ^ (k % 2 == 0 ? low : high));
  std::string decoded;
  if (digits.size() % 2 != 0 || !HexToBytes(digits, kInnerMask, decoded)) return false;
  plain = decoded;
  return true;
}

}  // namespace zelmor
