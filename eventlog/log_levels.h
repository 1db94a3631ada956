// Log levels: a byte 0-7, each with a tag appended to the timestamp and a
// character that may open the line.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zelmor::eventlog {

// The levels, named after their tags.
constexpr uint8_t kLevelPlain = 0;  // no tag
constexpr uint8_t kLevelInfo = 1;
constexpr uint8_t kLevelError = 2;
constexpr uint8_t kLevelFailure = 3;
constexpr uint8_t kLevelWarning = 4;
constexpr uint8_t kLevelEvent = 5;
constexpr uint8_t kLevelDebug = 6;
constexpr uint8_t kLevelOther = 7;
constexpr int kLevelCount = 8;
// Bit n stands for level n.
using LevelSet = uint8_t;
constexpr LevelSet kAllLevels = 0xFF;

// Indexed by level; level 0 (a plain line) has no tag. A constant table: the
// library's entry point runs before namespace-scope objects are constructed.
inline constexpr std::array<std::string_view, kLevelCount> kLevelTags = {
    "", " [инф]", " [ошиб]", " [сбой]", " [вним]", " [событ]", " [отлад]", " [другое]"};
// Indexed by level.
constexpr char kLevelChars[] = "-+?!#$%@";

inline bool IsLevelChar(char c) {
  for (int i = 0; i < kLevelCount; ++i)
    if (kLevelChars[i] == c) return true;
  return false;
}

}  // namespace zelmor::eventlog
