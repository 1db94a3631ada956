// The cipher the settings file keeps the database password in: upper-case
// hexadecimal text, twice masked, checksummed and reversed, so a password is
// not readable at a glance. It is an obfuscation, not a protection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmor {

constexpr uint8_t kInnerMask = 0x5A;
constexpr uint8_t kOuterMask = 0xA7;

// EncodePassword of the built-in password (40 digits for its 9 bytes).
extern const char kDefaultEncodedPassword[];

// 4n + 4 upper-case hexadecimal digits for n bytes.
std::string EncodePassword(std::string_view plain);
// False (and `plain` empty) unless `text` is at least 4 upper-case
// hexadecimal digits of even length whose inner digits decipher to
// hexadecimal digits again.
bool DecodePassword(std::string_view text, std::string& plain);

}  // namespace zelmor
